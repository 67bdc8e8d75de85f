# shellcheck shell=bash
# Debian packages the scripts need, and installing the missing ones. Sourced, not run.
# shellcheck disable=SC2034  # the lists are read by the scripts that source this

# Building: the compiler, CMake and pkg-config, Qt's headers and tools, the headers of libexif,
# of libjpeg-turbo (which decodes large photos in two halves at once)
# and of giflib (which writes the GIF files of the tools and the tests), and the X client
# headers (a window destroyed by another X client is noticed from its X event, and a made disc
# says why it cannot start in a window of plain Xlib); musl, which the disc's launcher is linked
# with statically, so that it runs whatever the machine's C library.
LUMOSA_BUILD_PACKAGES=(cmake make g++ pkg-config qt6-base-dev libexif-dev libjpeg62-turbo-dev
    libxcb1-dev libx11-dev libgif-dev musl-tools)
# Running: Qt's widgets; libqt6gui6 also holds the xcb and offscreen platforms and the JPEG
# and GIF readers; libexif reads the EXIF orientation; the samples tool draws its labels in
# DejaVu Sans.
LUMOSA_RUN_PACKAGES=(libqt6widgets6 libqt6gui6 libexif12 fonts-dejavu-core)
# A made disc's start is watched once on a virtual X server (scripts/make-disc).
LUMOSA_DISC_PACKAGES=(xvfb)
# A disc image (scripts/make-disc --iso), also read back by the disc test.
LUMOSA_IMAGE_PACKAGES=(xorriso)
# A show without a display: a virtual X server, a window manager (without one a full-screen
# window keeps its default size there) and screenshots.
LUMOSA_HEADLESS_PACKAGES=(xvfb xauth openbox imagemagick)
# Tests: the end-to-end ones drive the program on a real X server under a window manager,
# read window geometry (x11-utils) and clear the screen between programs (x11-xserver-utils);
# the no-writes test watches the program's file calls with strace; the picture test tags JPEGs
# with colord-data's colour profiles (Adobe RGB, ProPhoto RGB, sRGB); a disc whose reads hang or
# fail is served by tools/medium.py, a FUSE file system (fuse3, python3-fusepy); a made disc
# starts in root file systems of other Debian releases (tools/make-rootfs: debootstrap) and its
# files' symbol versions are read with objdump (binutils).
LUMOSA_TEST_PACKAGES=(xvfb xauth xdotool openbox x11-utils x11-xserver-utils strace colord-data fuse3
    python3-fusepy debootstrap binutils)
# Benchmarks: the JPEG decoder's own library, to time it alone; colord-data's Adobe RGB profile,
# to tag photos with; tools/medium.py for a slow medium (fuse3, python3-fusepy).
LUMOSA_BENCH_PACKAGES=(libjpeg62-turbo-dev colord-data fuse3 python3-fusepy xvfb xorriso)
# Fuzzing: clang with libFuzzer and the sanitizer runtimes (clang-14 gives clang++-14, the
# runtimes, libFuzzer among them, come with libclang-rt-14-dev).
LUMOSA_FUZZ_PACKAGES=(clang-14 libclang-rt-14-dev)

lumosa_missing_packages() {
    local pkg
    for pkg in "$@"; do
        if [[ "$(dpkg-query -W -f='${db:Status-Status}' "$pkg" 2>/dev/null)" != installed ]]; then
            printf '%s\n' "$pkg"
        fi
    done
}

# Installs those of the given packages that are missing. As root it does so itself; otherwise
# it prints the command to run and fails, since nothing can work without them.
lumosa_ensure_packages() {
    local missing
    mapfile -t missing < <(lumosa_missing_packages "$@" | sort -u)
    if ((${#missing[@]} == 0)); then
        return 0
    fi
    if ! command -v apt-get >/dev/null 2>&1; then
        echo "Missing packages: ${missing[*]} (and no apt-get here to install them)." >&2
        return 1
    fi
    if ((EUID != 0)); then
        echo "Missing packages: ${missing[*]}" >&2
        echo "Install them with:" >&2
        echo "  sudo apt-get update && sudo apt-get install -y ${missing[*]}" >&2
        return 1
    fi
    echo "Installing missing packages: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update
    apt-get install -y "${missing[@]}"
}
