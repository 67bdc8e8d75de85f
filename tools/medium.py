#!/usr/bin/python3
"""A slow or failing medium for tests and benchmarks: serves SOURCE read-only at MOUNTPOINT.

Runs in the foreground until it is stopped (SIGTERM, SIGINT, or `fusermount3 -u MOUNTPOINT`)
and dies with the process that started it. Stopping it releases every read it holds: the
kernel answers them with an error. Needs /dev/fuse and root (or a user allowed to mount FUSE).

Every file is served without the page cache (direct_io), so each read the program makes
reaches this file system and pays its price again, as on a disc; --cache serves through the page
cache instead (a program started from the medium maps its libraries, which needs it). Files lie
one after another on the medium as an ISO 9660 image lays them out, in the order of their paths
(or as --layout says): a read that goes on where the last ended costs no seek, also across files.

Examples:
  tools/medium.py pictures /mnt/disc --hang 'A/p3.jpg' --fail 'A/p5.jpg:8192'
  tools/medium.py disc /mnt/cd --rate 600k --seek 100     # about a 4x CD
  tools/medium.py disc /mnt/stick --rate 20m --seek 1     # a USB 2 stick
  tools/medium.py tree /mnt/cd --rate 3.6m --seek 90 --layout lba.txt --log reads.txt
"""

import argparse
import ctypes
import errno
import fnmatch
import os
import signal
import sys
import threading
import time

import fusepy


def parse_bytes(text):
    """A byte count with an optional k, m or g (powers of 1024)."""
    scale = {"k": 1 << 10, "m": 1 << 20, "g": 1 << 30}.get(text[-1:].lower(), 1)
    return int(float(text[:-1] if scale > 1 else text) * scale)


class Medium(fusepy.Operations):
    def __init__(self, source, mountpoint, hang, fail, rate, seek_ms, layout, log, hang_after=(),
                 stall=()):
        self.source = os.path.realpath(source)
        self.mountpoint = os.path.realpath(mountpoint)
        self.hang = hang  # patterns of relative paths whose reads never end
        self.fail = fail  # (pattern, bytes): reads at or past `bytes` fail with EIO
        self.hang_after = hang_after  # (pattern, bytes): reads at or past `bytes` hang
        self.stall = stall  # (pattern, seconds): a read of the file's start takes that long
        self.rate = rate  # bytes a second, 0: no limit
        self.seek = seek_ms / 1000.0
        self.ended = threading.Event()
        # One head: reads take turns, as on a disc. The kernel asks for a file's read-ahead in
        # several requests at once, which this file system's threads pick up in any order; a
        # drive's queue serves them in the order they lie, so the waiting read nearest ahead of
        # the head goes next rather than whichever thread wakes first.
        self.head_free = threading.Condition()
        self.busy = False
        self.waiting = []  # where each waiting read starts on the medium
        self.head = None  # where on the medium the last read ended
        self.layout = layout  # relative path: where the file starts on the medium
        self.log = log  # a line a read, "PATH OFFSET BYTES", or None

    def _real(self, path):
        return os.path.join(self.source, path.lstrip("/"))

    def _matches(self, path, pattern):
        return fnmatch.fnmatchcase(path.lstrip("/"), pattern)

    def mounted(self):
        with open("/proc/self/mounts", encoding="utf-8", errors="replace") as mounts:
            return any(line.split()[1:2] == [self.mountpoint] for line in mounts)

    def getattr(self, path, fh=None):
        st = os.lstat(self._real(path))
        keys = ("st_mode", "st_size", "st_nlink", "st_uid", "st_gid",
                "st_atime", "st_mtime", "st_ctime")
        attrs = {k: getattr(st, k) for k in keys}
        attrs["st_mode"] &= ~0o222  # read-only, as a disc
        return attrs

    def readdir(self, path, fh):
        return [".", ".."] + os.listdir(self._real(path))

    def readlink(self, path):
        return os.readlink(self._real(path))

    def statfs(self, path):
        st = os.statvfs(self._real(path))
        return {k: getattr(st, k) for k in ("f_bsize", "f_frsize", "f_blocks", "f_bfree",
                                            "f_bavail", "f_files", "f_ffree", "f_namemax")}

    def open(self, path, flags):
        if flags & (os.O_WRONLY | os.O_RDWR | os.O_APPEND | os.O_TRUNC):
            raise fusepy.FuseOSError(errno.EROFS)
        return os.open(self._real(path), os.O_RDONLY)

    def release(self, path, fh):
        os.close(fh)
        return 0

    def _take_head(self, at):
        with self.head_free:
            self.waiting.append(at)
            anticipated = False
            while True:
                if self.busy or self._next() != at:
                    self.head_free.wait()
                elif self.head is not None and 4096 < at - self.head <= (1 << 20) and \
                        not anticipated:
                    # A read a little way ahead of the head: the one that goes on from the head
                    # may be a moment behind it (the kernel sends a file's read-ahead in parts
                    # at once); a drive's queue would hold both, so wait that moment.
                    anticipated = True
                    self.head_free.wait(0.005)
                else:
                    break
            self.waiting.remove(at)
            self.busy = True

    def _next(self):
        """The waiting read that goes next: the nearest at or ahead of the head, else the
        first on the medium."""
        head = self.head or 0
        ahead = [at for at in self.waiting if at >= head]
        return min(ahead) if ahead else min(self.waiting)

    def _move_cost(self, at):
        """Seconds to bring the head to `at`: nothing where the last read ended; a short way on
        (the padding between one file and the next) is read through when that is quicker than a
        seek, as a drive does; anything else is a seek."""
        if self.head == at:
            return 0.0
        gap = at - self.head if self.head is not None else -1
        if gap > 0 and self.rate > 0:
            return min(self.seek, gap / self.rate)
        return self.seek

    def _hang(self, seconds=None):
        # Until the file system is stopped or unmounted (the kernel's mount table is read, not
        # the mount point, which would ask this file system), or the reader is interrupted: a
        # process that ends, or is killed, leaves at once instead of lingering in the kernel.
        # With `seconds`, returns once they have passed.
        until = time.monotonic() + seconds if seconds is not None else None
        while not self.ended.wait(0.2) and self.mounted():
            if fusepy._libfuse.fuse_interrupted():
                raise fusepy.FuseOSError(errno.EINTR)
            if until is not None and time.monotonic() >= until:
                return
        raise fusepy.FuseOSError(errno.EIO)

    def _give_head(self):
        with self.head_free:
            self.busy = False
            self.head_free.notify_all()

    def read(self, path, size, offset, fh):
        for pattern, limit in self.hang_after:
            if self._matches(path, pattern):
                if offset < limit:
                    size = min(size, limit - offset)  # a short read, then the hang
                    break
                return self._hang()
        if any(self._matches(path, p) for p in self.hang):
            return self._hang()
        for pattern, seconds in self.stall:
            if offset == 0 and self._matches(path, pattern):
                self._hang(seconds)
        for pattern, limit in self.fail:
            if self._matches(path, pattern):
                if offset >= limit:
                    raise fusepy.FuseOSError(errno.EIO)
                size = min(size, limit - offset)  # a short read, then the error
        at = self.layout.get(path.lstrip("/"), 0) + offset
        self._take_head(at)
        try:
            began = time.monotonic()
            data = os.pread(fh, size, offset)
            cost = self._move_cost(at) + (len(data) / self.rate if self.rate > 0 else 0.0)
            # The time spent serving the read counts towards its cost: the medium's pace, not
            # this file system's, sets the rate.
            time.sleep(max(0.0, began + cost - time.monotonic()))
            self.head = at + len(data)
            if self.log:
                self.log.write("%s %d %d\n" % (path.lstrip("/"), offset, len(data)))
        finally:
            self._give_head()
        return data


def iso_layout(source):
    """Where each file starts when laid out one after another in the order of its path, in 2 KB
    blocks, as on an ISO 9660 image."""
    layout, at = {}, 0
    for folder, folders, files in os.walk(source):
        folders.sort()
        for name in sorted(files):
            path = os.path.join(folder, name)
            layout[os.path.relpath(path, source)] = at
            at += (os.path.getsize(path) + 2047) // 2048 * 2048
    return layout


def read_layout(path):
    """Lines "BLOCK PATH" (2 KB blocks), as xorriso's report_lba gives them once parsed."""
    layout = {}
    with open(path, encoding="utf-8") as lines:
        for line in lines:
            block, _, name = line.rstrip("\n").partition(" ")
            layout[name.lstrip("/")] = int(block) * 2048
    return layout


def main():
    parser = argparse.ArgumentParser(
        description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("source", help="the folder to serve")
    parser.add_argument("mountpoint", help="an empty folder to serve it at")
    parser.add_argument("--hang", action="append", default=[], metavar="PATTERN",
                        help="reads of files matching PATTERN (a path relative to SOURCE, "
                             "shell wildcards) never end until the file system is stopped or "
                             "the reading process ends or is killed; their listing and status "
                             "still answer; may be repeated")
    parser.add_argument("--hang-after", action="append", default=[], metavar="PATTERN:BYTES",
                        help="reads of files matching PATTERN deliver their first BYTES bytes, "
                             "then hang as with --hang; may be repeated")
    parser.add_argument("--stall", action="append", default=[], metavar="PATTERN:SECONDS",
                        help="the read at the start of files matching PATTERN takes SECONDS, as "
                             "a drive retrying a scratched sector; may be repeated")
    parser.add_argument("--fail", action="append", default=[], metavar="PATTERN:BYTES",
                        help="reads of files matching PATTERN deliver their first BYTES bytes, "
                             "then fail with EIO (an unreadable sector); may be repeated")
    parser.add_argument("--rate", default="0", metavar="BYTES",
                        help="bytes a second that reads deliver, with k, m or g for KiB, MiB, "
                             "GiB (a 1x CD reads 150k, a 52x CD up to 7.8m, a USB 2 stick "
                             "about 20m); 0, the default, for no limit")
    parser.add_argument("--seek", type=float, default=0.0, metavar="MS",
                        help="milliseconds a read costs when it does not go on where the last "
                             "read ended (a CD's seek: 80 to 150 ms; a stick's: under 1 ms)")
    parser.add_argument("--layout", metavar="FILE",
                        help="where the files lie on the medium: lines \"BLOCK PATH\", 2 KB "
                             "blocks, paths relative to SOURCE (default: one after another in "
                             "the order of their paths)")
    parser.add_argument("--log", metavar="FILE",
                        help="appends a line a read to FILE: \"PATH OFFSET BYTES\"")
    parser.add_argument("--cache", action="store_true",
                        help="serve through the kernel's page cache (needed to run programs "
                             "from the medium); a file's pages are then read once a mount")
    args = parser.parse_args()
    def with_bytes(items, option):
        pairs = []
        for item in items:
            pattern, _, count = item.rpartition(":")
            if not pattern:
                parser.error(option + " takes PATTERN:BYTES")
            pairs.append((pattern, parse_bytes(count)))
        return pairs
    fail = with_bytes(args.fail, "--fail")
    hang_after = with_bytes(args.hang_after, "--hang-after")
    stall = [(pattern, float(seconds)) for pattern, _, seconds in
             (item.rpartition(":") for item in args.stall)]

    # Dies with the process that started it (Linux): nothing outlives a test.
    libc = ctypes.CDLL(None, use_errno=True)
    PR_SET_PDEATHSIG = 1
    libc.prctl(PR_SET_PDEATHSIG, signal.SIGTERM)

    layout = read_layout(args.layout) if args.layout else iso_layout(args.source)
    log = open(args.log, "a", buffering=1, encoding="utf-8") if args.log else None
    medium = Medium(args.source, args.mountpoint, args.hang, fail, parse_bytes(args.rate),
                    args.seek, layout, log, hang_after, stall)

    # The stopping signals are taken by a thread of ours rather than by libfuse, which would end
    # its loop and then wait for the reads it holds: the reads are released first, then the
    # file system is unmounted, which ends the loop.
    stops = {signal.SIGTERM, signal.SIGINT, signal.SIGHUP}
    signal.pthread_sigmask(signal.SIG_BLOCK, stops)

    def stop_on_signal():
        signal.sigwait(stops)
        medium.ended.set()
        if medium.mounted():  # unless whoever stopped it has unmounted it already
            os.spawnlp(os.P_WAIT, "fusermount3", "fusermount3", "-u", "-z", args.mountpoint)

    threading.Thread(target=stop_on_signal, daemon=True).start()
    try:
        # fusepy passes every keyword on as a mount option: direct_io is named only when wanted.
        # With the cache, pages stay cached from one opening of a file to the next, as on a
        # disc's own file system: a library read ahead is found by the loader that maps it. A
        # disc never changes, so names and attributes are never asked again: asking again lets
        # the kernel drop some of a file's cached pages.
        options = ({"kernel_cache": True, "attr_timeout": 86400, "entry_timeout": 86400}
                   if args.cache else {"direct_io": True})
        fusepy.FUSE(medium, args.mountpoint, foreground=True, ro=True, intr=True,
                    default_permissions=True, fsname="lumosa-medium", **options)
    finally:
        medium.ended.set()
    return 0


if __name__ == "__main__":
    sys.exit(main())
