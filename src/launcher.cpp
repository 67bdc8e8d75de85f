// The program file at the top of a made disc. It reads the bundle in _lumosa/ once, in the
// order of _lumosa/load-order (the order in which the files lie on the disc's image), and then
// runs the real program, _lumosa/lumosa, with the same arguments in the same folder. Left to
// the dynamic loader, a start from a CD reads the same libraries page by page, seeking to and
// fro for most of a minute; one pass in order takes seconds, and the loader then finds every
// page in memory. Only the C library: it runs before anything from the disc is loaded.
//
// A line of load-order is "OFFSET LENGTH PATH": LENGTH bytes from OFFSET of PATH (relative to
// _lumosa/), read with plain sequential reads into one small buffer; the ranges are the parts of
// each file that a start touches, found when the disc was made (tools/record-start.cpp), or
// whole files. A range past a file's end means a short (damaged) file. Reads rather than
// posix_fadvise(POSIX_FADV_WILLNEED): that returns at once, leaves the order in which the
// requests are served to the file system (a FUSE one may serve them on several threads), and the
// program would start while they are under way; a read in order is one pass by construction,
// and the kernel's own read-ahead keeps the medium busy meanwhile.
#include <fcntl.h>
#include <limits.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr const char* kBundle = "_lumosa";
constexpr const char* kOrder = "load-order";
constexpr const char* kProgram = "lumosa";
constexpr size_t kMaxOrder = 64 * 1024;  // a few thousand lines at most; more is no list of ours

char buffer[256 * 1024];

[[noreturn]] void fail(const char* path, const char* why) {
    std::fprintf(stderr, "lumosa: cannot start, the disc is damaged: %s/%s %s\n", kBundle, path,
                 why);
    std::exit(1);
}

// Why the last call failed, as the end of fail's line.
const char* unreadable() {
    static char why[128];
    std::snprintf(why, sizeof why, "cannot be read (%s)", std::strerror(errno));
    return why;
}

// Opens a regular file of the bundle without ever waiting on it (a FIFO would block).
int openFile(const char* bundle, const char* path, struct stat* status) {
    char full[PATH_MAX];
    if (std::snprintf(full, sizeof full, "%s/%s", bundle, path) >= int(sizeof full)) {
        fail(path, "has too long a name");
    }
    const int fd = open(full, O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        fail(path, errno == ENOENT ? "is missing" : unreadable());
    }
    if (fstat(fd, status) != 0 || !S_ISREG(status->st_mode)) {
        fail(path, "is not a file");
    }
    return fd;
}

// Whether the range is in memory already (a second start, or a disc copied to the disk): then
// reading it again would only copy it for nothing.
bool inMemory(int fd, off_t offset, off_t length) {
    static unsigned char pages[64 * 1024];
    const off_t page = sysconf(_SC_PAGESIZE);
    const off_t start = offset / page * page;
    const size_t span = size_t(offset + length - start);
    if (length == 0 || (span + page - 1) / page > sizeof pages) {
        return length == 0;
    }
    void* map = mmap(nullptr, span, PROT_READ, MAP_SHARED, fd, start);
    if (map == MAP_FAILED) {
        return false;
    }
    bool all = mincore(map, span, pages) == 0;
    for (size_t i = 0; all && i < (span + page - 1) / page; ++i) {
        all = (pages[i] & 1) != 0;
    }
    munmap(map, span);
    return all;
}

// Reads `length` bytes from `offset` into the buffer and forgets them: they stay in the page
// cache, where the loader finds them.
void readRange(const char* bundle, const char* path, off_t offset, off_t length) {
    struct stat status;
    const int fd = openFile(bundle, path, &status);
    if (offset < 0 || length < 0 || offset > status.st_size || length > status.st_size - offset) {
        fail(path, "is shorter than it should be");
    }
    if (inMemory(fd, offset, length)) {
        length = 0;
    }
    // Only the range: the kernel's read-ahead past its end would fetch what the start skips.
    posix_fadvise(fd, offset, length, POSIX_FADV_RANDOM);
    while (length > 0) {
        const size_t chunk = length < off_t(sizeof buffer) ? size_t(length) : sizeof buffer;
        const ssize_t got = pread(fd, buffer, chunk, offset);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            fail(path, unreadable());
        }
        if (got == 0) {
            fail(path, "is shorter than it should be");
        }
        offset += got;
        length -= got;
    }
    close(fd);
}

// The whole list, NUL-terminated, in `order`.
void readOrder(const char* bundle, char* order) {
    struct stat status;
    const int fd = openFile(bundle, kOrder, &status);
    if (status.st_size <= 0 || size_t(status.st_size) >= kMaxOrder) {
        fail(kOrder, "is not a list of the bundle's files");
    }
    size_t done = 0;
    while (done < size_t(status.st_size)) {
        const ssize_t got = read(fd, order + done, size_t(status.st_size) - done);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            fail(kOrder, got < 0 ? unreadable() : "is shorter than it should be");
        }
        done += size_t(got);
    }
    order[done] = '\0';
    close(fd);
}

void readBundle(const char* bundle) {
    static char order[kMaxOrder];
    readOrder(bundle, order);
    for (char* line = order; *line != '\0';) {
        char* end = std::strchr(line, '\n');
        if (end == nullptr) {
            fail(kOrder, "ends in the middle of a line");
        }
        *end = '\0';
        long long offset = 0;
        long long length = 0;
        int pathStart = 0;
        if (std::sscanf(line, "%lld %lld %n", &offset, &length, &pathStart) != 2 ||
            pathStart == 0 || line[pathStart] == '\0' || line[pathStart] == '/' ||
            std::strstr(line + pathStart, "..") != nullptr) {
            fail(kOrder, "holds a line that is not OFFSET LENGTH PATH");
        }
        readRange(bundle, line + pathStart, off_t(offset), off_t(length));
        line = end + 1;
    }
}

}  // namespace

int main(int /*argc*/, char** argv) {
    // The bundle lies beside this file, wherever it is started from: the real program then
    // decides whether the current folder is a disc.
    char self[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    if (length <= 0 || size_t(length) >= sizeof self - 1) {
        std::fprintf(stderr, "lumosa: cannot start: cannot find where this program lies (%s)\n",
                     length < 0 ? std::strerror(errno) : "name too long");
        return 1;
    }
    self[length] = '\0';
    *std::strrchr(self, '/') = '\0';
    char bundle[PATH_MAX];
    char program[PATH_MAX];
    if (std::snprintf(bundle, sizeof bundle, "%s/%s", self, kBundle) >= int(sizeof bundle) ||
        std::snprintf(program, sizeof program, "%s/%s", bundle, kProgram) >= int(sizeof program)) {
        std::fprintf(stderr, "lumosa: cannot start: the disc's folder has too long a name\n");
        return 1;
    }

    readBundle(bundle);
    execv(program, argv);
    fail(kProgram, errno == ENOENT ? "is missing" : unreadable());
}
