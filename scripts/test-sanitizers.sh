#!/usr/bin/env bash
# Runs tests again under the sanitizers, each build in a directory of its own: the
# pure-logic and link tests under ThreadSanitizer (build-tsan/), then the pure-logic,
# simulator, link, device and reliability tests (hostile replies, lossy and cut links,
# files, soak) under AddressSanitizer with UndefinedBehaviorSanitizer (build-asan/). The
# app, framework and measure tests are not run here.
set -euo pipefail
cd "$(dirname "$0")/.."
export QT_QPA_PLATFORM=offscreen
here=$(pwd)

run_suite() {
    local dir=$1 sanitizer=$2 labels=$3
    shift 3
    echo "== $sanitizer build ($labels)"
    cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DRE2_SANITIZE="$sanitizer" \
          -DRE2_BENCH=OFF >/dev/null
    cmake --build "$dir" -j2 --target "$@"
    ctest --test-dir "$dir" --output-on-failure -j2 --timeout 600 -L "$labels"
}

export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$here/scripts/tsan.supp"
run_suite build-tsan thread 'core|link' re2_core_tests re2_link_tests

export ASAN_OPTIONS="detect_leaks=1"
export LSAN_OPTIONS="suppressions=$here/scripts/lsan.supp"
export UBSAN_OPTIONS="print_stacktrace=1 halt_on_error=1"
run_suite build-asan address,undefined 'core|sim|link|device|reliability' \
    re2_core_tests re2_sim_tests re2_link_tests re2_device_tests re2_reliability_tests
