#!/usr/bin/env bash
# Builds the Debian package re2-terminal_<version>_<arch>.deb into build-deb/ (or the
# build directory given) and prints its path. The programs are built for the /usr prefix,
# the place the package installs them to and the one an installed terminal recognises
# itself by; an existing build directory keeps its other settings (scripts/build.sh
# builds build/ for /usr already, so the test script packages that one).
# Usage: scripts/package.sh [build directory, default build-deb]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-deb}
fresh=()
[[ -f $build/CMakeCache.txt ]] || fresh=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DRE2_BENCH=OFF)
cmake -S . -B "$build" "${fresh[@]}" -DCMAKE_INSTALL_PREFIX=/usr \
    -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON >/dev/null
nice cmake --build "$build" -j2 --target re2-terminal re2-simulator re2-export re2_package_files
rm -f "$build"/re2-terminal_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
ls "$build"/re2-terminal_*.deb
