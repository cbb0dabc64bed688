#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the main suite through CTest, the
# link, queue and codec tests again under ThreadSanitizer and under AddressSanitizer with
# UndefinedBehaviorSanitizer, and each fuzz target for a bounded number of inputs.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
export QT_QPA_PLATFORM=offscreen

echo "== main build and tests"
scripts/build.sh
ctest --test-dir build --output-on-failure -j2 --timeout 300

scripts/test-sanitizers.sh
scripts/fuzz.sh "${RE2_FUZZ_RUNS:-200000}"
