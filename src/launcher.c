/* The program file at the top of a made disc. It reads the bundle in _lumosa/ once, in the
 * order of _lumosa/load-order (the order in which the files lie on the disc's image), and then
 * runs the real program, _lumosa/lumosa, with the same arguments in the same folder and the same
 * process. Left to the dynamic loader, a start from a CD reads the same libraries page by page,
 * seeking to and fro for most of a minute; one pass in order takes seconds, and the loader then
 * finds every page in memory.
 *
 * The bundle's libraries were built against one C library; the machine may have an older one.
 * The machine's own C library is used when its loader finds everything the program asks for;
 * otherwise the C library the disc carries in _lumosa/glibc/ is, through its own loader. Never
 * both: a loader and a C library only work with their own kind. The machine's libraries the disc
 * leaves to it (OpenGL's, which must match its drivers) load under either.
 *
 * Linked statically against a small C library (musl), so that it runs on any x86-64 Linux,
 * whatever its C library: it is what the machine's kernel starts, before anything else.
 *
 * A line of load-order is "OFFSET LENGTH PATH": LENGTH bytes from OFFSET of PATH (relative to
 * _lumosa/), read with plain sequential reads into one small buffer; the ranges are the parts of
 * each file that a start touches, found when the disc was made (tools/record-start.cpp), or
 * whole files. A range past a file's end means a short (damaged) file. Ranges of glibc/ are read
 * only when the disc's C library is used. Reads rather than posix_fadvise(POSIX_FADV_WILLNEED):
 * that returns at once, leaves the order in which the requests are served to the file system (a
 * FUSE one may serve them on several threads), and the program would start while they are under
 * way; a read in order is one pass by construction.
 *
 * When it cannot start it says why in one line on stderr and, where there is a display, in a
 * small window (_lumosa/lumosa-alert), since a double click shows no terminal. */
#define _GNU_SOURCE
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#define BUNDLE "_lumosa"
#define LIBC "glibc"
#define LOADER LIBC "/ld-linux-x86-64.so.2"
#define ORDER "load-order"
#define PROGRAM "lumosa"
#define ALERT "lumosa-alert"
enum { kMaxOrder = 64 * 1024 }; /* a few thousand lines at most; more is no list of ours */

static char bundle[PATH_MAX];
static char buffer[256 * 1024];
static int failing; /* set once the window is being tried, so that its own failure ends it */

static void runAlert(const char* line);

/* Ends the start: the line on stderr, and the same in a window where there is a display. */
static _Noreturn void fail(const char* format, ...) {
    char line[1024];
    va_list args;
    va_start(args, format);
    vsnprintf(line, sizeof line, format, args);
    va_end(args);
    fprintf(stderr, "lumosa: %s\n", line);
    if (!failing) {
        failing = 1;
        runAlert(line);
    }
    exit(1);
}

static _Noreturn void damaged(const char* path, const char* why) {
    fail("cannot start, the disc is damaged: " BUNDLE "/%s %s", path, why);
}

/* Why the last call failed, as the end of damaged's line. */
static const char* unreadable(void) {
    static char why[128];
    snprintf(why, sizeof why, "cannot be read (%s)", strerror(errno));
    return why;
}

/* bundle/path, or the start fails. */
static const char* inBundle(char* full, const char* path) {
    if (snprintf(full, PATH_MAX, "%s/%s", bundle, path) >= PATH_MAX) {
        damaged(path, "has too long a name");
    }
    return full;
}

/* Opens a regular file of the bundle without ever waiting on it (a FIFO would block). */
static int openFile(const char* path, struct stat* status) {
    char full[PATH_MAX];
    const int fd = open(inBundle(full, path), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        damaged(path, errno == ENOENT ? "is missing" : unreadable());
    }
    if (fstat(fd, status) != 0 || !S_ISREG(status->st_mode)) {
        damaged(path, "is not a file");
    }
    return fd;
}

/* Whether the range is in memory already (a second start, or a disc copied to the disk): then
 * reading it again would only copy it for nothing. */
static int inMemory(int fd, off_t offset, off_t length) {
    static unsigned char pages[64 * 1024];
    const off_t page = sysconf(_SC_PAGESIZE);
    const off_t start = offset / page * page;
    const size_t span = (size_t)(offset + length - start);
    if (length == 0 || (span + page - 1) / page > sizeof pages) {
        return length == 0;
    }
    void* map = mmap(NULL, span, PROT_READ, MAP_SHARED, fd, start);
    if (map == MAP_FAILED) {
        return 0;
    }
    int all = mincore(map, span, pages) == 0;
    for (size_t i = 0; all && i < (span + page - 1) / page; ++i) {
        all = (pages[i] & 1) != 0;
    }
    munmap(map, span);
    return all;
}

/* Reads `length` bytes from `offset` into the buffer and forgets them: they stay in the page
 * cache, where the loader finds them. */
static void readRange(const char* path, off_t offset, off_t length) {
    struct stat status;
    const int fd = openFile(path, &status);
    if (offset < 0 || length < 0 || offset > status.st_size || length > status.st_size - offset) {
        damaged(path, "is shorter than it should be");
    }
    if (inMemory(fd, offset, length)) {
        length = 0;
    }
    /* Only the range: the kernel's read-ahead past its end would fetch what the start skips. */
    posix_fadvise(fd, offset, length, POSIX_FADV_RANDOM);
    while (length > 0) {
        const size_t chunk = length < (off_t)sizeof buffer ? (size_t)length : sizeof buffer;
        const ssize_t got = pread(fd, buffer, chunk, offset);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            damaged(path, unreadable());
        }
        if (got == 0) {
            damaged(path, "is shorter than it should be");
        }
        offset += got;
        length -= got;
    }
    close(fd);
}

/* The whole list, NUL-terminated, in `order`. */
static void readOrder(char* order) {
    struct stat status;
    const int fd = openFile(ORDER, &status);
    if (status.st_size <= 0 || (size_t)status.st_size >= kMaxOrder) {
        damaged(ORDER, "is not a list of the bundle's files");
    }
    size_t done = 0;
    while (done < (size_t)status.st_size) {
        const ssize_t got = read(fd, order + done, (size_t)status.st_size - done);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            damaged(ORDER, got < 0 ? unreadable() : "is shorter than it should be");
        }
        done += (size_t)got;
    }
    order[done] = '\0';
    close(fd);
}

/* Reads the ranges of the disc's C library (`libc` true) or of all the rest. */
static void readBundle(int libc) {
    static char order[kMaxOrder];
    readOrder(order);
    for (char* line = order; *line != '\0';) {
        char* end = strchr(line, '\n');
        if (end == NULL) {
            damaged(ORDER, "ends in the middle of a line");
        }
        *end = '\0';
        long long offset = 0;
        long long length = 0;
        int pathStart = 0;
        if (sscanf(line, "%lld %lld %n", &offset, &length, &pathStart) != 2 || pathStart == 0 ||
            line[pathStart] == '\0' || line[pathStart] == '/' ||
            strstr(line + pathStart, "..") != NULL) {
            damaged(ORDER, "holds a line that is not OFFSET LENGTH PATH");
        }
        const char* path = line + pathStart;
        if ((strncmp(path, LIBC "/", sizeof LIBC) == 0) == libc) {
            readRange(path, (off_t)offset, (off_t)length);
        }
        line = end + 1;
    }
}

/* Whether a loader finds every library `argv` needs, asked in its listing mode (nothing of the
 * program runs); otherwise `why` gets the first line that says what is missing. */
static int runs(char* const argv[], char* why, size_t size) {
    int pipeEnds[2];
    snprintf(why, size, "its loader cannot be run");
    if (pipe2(pipeEnds, O_CLOEXEC) != 0) {
        return 0;
    }
    const pid_t child = fork();
    if (child == 0) {
        dup2(pipeEnds[1], STDOUT_FILENO);
        dup2(pipeEnds[1], STDERR_FILENO);
        setenv("LD_TRACE_LOADED_OBJECTS", "1", 1);
        execv(argv[0], argv);
        _exit(127);
    }
    close(pipeEnds[1]);
    /* Read to its end, so that the loader never waits on a full pipe; kept as far as it fits. */
    static char listing[64 * 1024];
    size_t done = 0;
    ssize_t got;
    while ((got = read(pipeEnds[0], buffer, sizeof buffer)) != 0) {
        if (got < 0 && errno != EINTR) {
            break;
        }
        const size_t keep = got < 0 ? 0 : (size_t)got;
        const size_t room = sizeof listing - 1 - done;
        memcpy(listing + done, buffer, keep < room ? keep : room);
        done += keep < room ? keep : room;
    }
    close(pipeEnds[0]);
    listing[done] = '\0';
    int status = 0;
    while (child > 0 && waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    char* missing = strstr(listing, "not found");
    if (missing != NULL) {
        char* start = missing;
        while (start > listing && start[-1] != '\n') {
            --start;
        }
        start += strspn(start, " \t");
        /* "NAME => not found": a library it has not; else the loader's own words. */
        const int name = (int)strcspn(start, " \n");
        if (strncmp(start + name, " => not found", 13) == 0) {
            snprintf(why, size, "%.*s", name, start);
        } else {
            snprintf(why, size, "%.*s", (int)strcspn(start, "\n"), start);
        }
    }
    return child > 0 && missing == NULL && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

/* Runs `binary` of the bundle with `args` (argv[0] first) in this process, through the machine's
 * loader where it finds everything, else through the disc's; returns only when neither can. */
static void run(const char* binary, char* const args[], char* why, size_t size) {
    char program[PATH_MAX];
    char loader[PATH_MAX];
    char libc[PATH_MAX];
    inBundle(program, binary);
    inBundle(loader, LOADER);
    inBundle(libc, LIBC);
    char* list[] = {program, NULL};
    if (runs(list, why, size)) {
        execv(program, args);
        snprintf(why, size, "%s", strerror(errno));
        return;
    }
    if (!failing) {
        readBundle(1);
    }
    char* ownList[] = {loader, "--library-path", libc, program, NULL};
    if (runs(ownList, why, size)) {
        char* own[4096] = {loader, "--library-path", libc, "--argv0", args[0], program};
        for (int i = 1, at = 6; args[i] != NULL && at < 4095; ++i, ++at) {
            own[at] = args[i];
        }
        execv(loader, own);
        snprintf(why, size, "%s", strerror(errno));
    }
}

/* Shows `line` in a small window, where there is a display; ends the process when it did. */
static void runAlert(const char* line) {
    const char* display = getenv("DISPLAY");
    if (display == NULL || *display == '\0' || bundle[0] == '\0') {
        return;
    }
    char text[1100];
    snprintf(text, sizeof text, "Lumosa %s", line);
    char* args[] = {ALERT, text, NULL};
    char why[256];
    run(ALERT, args, why, sizeof why);
}

int main(int argc, char** argv) {
    (void)argc;
    /* The bundle lies beside this file, wherever it is started from: the real program then
     * decides whether the current folder is a disc. */
    char self[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    if (length <= 0 || (size_t)length >= sizeof self - 1) {
        fail("cannot start: cannot find where this program lies (%s)",
             length < 0 ? strerror(errno) : "name too long");
    }
    self[length] = '\0';
    *strrchr(self, '/') = '\0';
    if (snprintf(bundle, sizeof bundle, "%s/%s", self, BUNDLE) >= (int)sizeof bundle) {
        bundle[0] = '\0';
        fail("cannot start: the disc's folder has too long a name");
    }
    /* The show draws on an X server (XWayland on a Wayland desktop sets DISPLAY too); said as
     * the program says it, before the disc is read for nothing. */
    const char* display = getenv("DISPLAY");
    if (display == NULL || *display == '\0') {
        fail("cannot open the display (DISPLAY is not set)");
    }

    readBundle(0);
    char why[512];
    run(PROGRAM, argv, why, sizeof why);
    if (strstr(why, "libGL") != NULL || strstr(why, "libEGL") != NULL ||
        strstr(why, "libOpenGL") != NULL) {
        fail(
            "cannot start: this machine lacks the OpenGL library %s; install its OpenGL packages "
            "(libgl1, libegl1 and libopengl0 on Debian and Ubuntu)",
            why);
    }
    fail("cannot start: this machine cannot load the program (%s)", why);
}
