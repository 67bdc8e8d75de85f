# shellcheck shell=bash
# The clang build in build-clang/, instrumented with AddressSanitizer, UndefinedBehaviorSanitizer
# and libFuzzer's coverage: scripts/test runs the unit tests in it, scripts/fuzz the fuzz targets
# of fuzz/. The end-to-end tests and the benchmarks are left out of it. Sourced, not run.

# Leaks are findings too. clang 14's runtime takes any dynamic TLS block that starts 16 bytes into
# a page for one with an old glibc's header, reads a bogus range from the words before it, and its
# leak tracer then crashes at exit ("Tracer caught signal 11", about one exit in a few hundred).
# Not intercepting __tls_get_addr avoids that.
# shellcheck disable=SC2034  # used by the scripts that source this
LUMOSA_ASAN_OPTIONS="detect_leaks=1:intercept_tls_get_addr=0"

lumosa_configure_clang() {
    CXX=clang++-14 cmake -S . -B build-clang -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLUMOSA_FUZZ=ON \
        -DLUMOSA_E2E=OFF -DLUMOSA_WERROR=ON "$@"
}
