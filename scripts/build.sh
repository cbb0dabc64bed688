#!/usr/bin/env bash
# Builds the terminal, the simulator, the tests and the benchmarks into build/, for the
# /usr prefix the Debian package installs to.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_INSTALL_PREFIX=/usr \
    -DRE2_WARNINGS_AS_ERRORS=ON >/dev/null
cmake --build build -j2
