#!/usr/bin/env bash
# Runs tests again under the sanitizers, each build in a directory of its own: the
# pure-logic and link tests under ThreadSanitizer (build-tsan/), then the pure-logic,
# simulator, link, command-line and reliability tests (hostile replies, lossy and cut
# links, files, soak) under AddressSanitizer with UndefinedBehaviorSanitizer (build-asan/),
# leaving out the ten lossy readouts in a row, which only repeat one readout's code. The
# app, framework, device and measure tests are not run here.
set -euo pipefail
cd "$(dirname "$0")/.."
export QT_QPA_PLATFORM=offscreen
here=$(pwd)

run_suite() {
    local dir=$1 sanitizer=$2 labels=$3 leftOut=$4
    shift 4
    echo "== $sanitizer build ($labels)"
    cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DRE2_SANITIZE="$sanitizer" \
          -DRE2_BENCH=OFF -DRE2_WARNINGS_AS_ERRORS=ON >/dev/null
    cmake --build "$dir" -j2 --target "$@"
    ctest --test-dir "$dir" --output-on-failure -j2 --timeout 600 -L "$labels" -E "$leftOut"
}

export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$here/scripts/tsan.supp"
run_suite build-tsan thread 'core|link' '^$' re2_core_tests re2_link_tests

export ASAN_OPTIONS="detect_leaks=1"
export LSAN_OPTIONS="suppressions=$here/scripts/lsan.supp"
export UBSAN_OPTIONS="print_stacktrace=1 halt_on_error=1"
run_suite build-asan address,undefined 'core|sim|link|cli|reliability' 'TenReadoutsInARow' \
    re2_core_tests re2_sim_tests re2_link_tests re2_cli_tests re2-device re2_reliability_tests
