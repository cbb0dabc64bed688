#!/usr/bin/env bash
# Builds the benchmarks into build/ and runs every one of them, printing the figures.
#
#   scripts/bench.sh           everything; the paced readouts take some twenty-five minutes
#   scripts/bench.sh --quick   without the readouts paced at line speed
#
# RE2_BUILD_DIR names another build directory (an existing one keeps its build type). Timings suffer when the machine is busy:
# look at the load average (printed first) before trusting them.
set -euo pipefail
cd "$(dirname "$0")/.."
quick=""
case "${1:-}" in
    --quick) quick="--quick" ;;
    "") ;;
    *) echo "usage: $0 [--quick]" >&2; exit 2 ;;
esac
build="${RE2_BUILD_DIR:-build}"
scripts/install-deps.sh
export QT_QPA_PLATFORM=offscreen

# A new build directory is set up as scripts/build.sh sets up build/; an existing one keeps
# its build type.
if [[ -f "$build/CMakeCache.txt" ]]; then
    cmake -S . -B "$build" >/dev/null
else
    cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$build" -j2 --target core_bench chart_bench window_bench readout_bench device_cli_bench \
    repeat_readout_bench

echo "== $(uptime)"
echo "== image decoding (core_bench)"
"$build/core_bench"
echo "== chart repaint (chart_bench)"
"$build/chart_bench"
echo "== main window (window_bench)"
"$build/window_bench"
echo "== recorder readout (readout_bench $quick)"
"$build/readout_bench" $quick
echo "== repeat readout after 10 minutes of recording (repeat_readout_bench $quick)"
"$build/repeat_readout_bench" $quick
if [[ -z $quick ]]; then
    echo "== recorder readout with 1 % of replies lost (readout_bench --loss 0.01)"
    "$build/readout_bench" --loss 0.01 57600 460800
    echo "== recorder readout with and without the trace of the line, in turns (readout_bench --trace-pairs 4)"
    "$build/readout_bench" --trace-pairs 4 460800
    echo "== re2-device readout, loss-free and with 1 % of replies lost (device_cli_bench)"
    "$build/device_cli_bench"
    "$build/device_cli_bench" --loss 0.01
fi
