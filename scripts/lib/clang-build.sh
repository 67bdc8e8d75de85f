# shellcheck shell=bash
# The clang build in build-clang/, instrumented with AddressSanitizer, UndefinedBehaviorSanitizer
# and libFuzzer's coverage: scripts/test runs the unit tests in it, scripts/fuzz the fuzz targets
# of fuzz/. The end-to-end tests and the benchmarks are left out of it. Sourced, not run.

lumosa_configure_clang() {
    CXX=clang++-14 cmake -S . -B build-clang -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLUMOSA_FUZZ=ON \
        -DLUMOSA_E2E=OFF -DLUMOSA_WERROR=ON "$@"
}
