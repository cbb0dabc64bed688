#!/usr/bin/env bash
# Builds the Debian package re2-terminal_<version>_<arch>.deb into build-deb/ (or the
# build directory given) and prints its path. The programs are built for the /usr prefix,
# the place the package installs them to and the one an installed terminal recognises
# itself by, with warnings as errors. build-deb/ is always a Release build, as a packager's
# plain CMake build is; a new build directory given is one too, and an existing one keeps
# its other settings.
# Usage: scripts/package.sh [build directory, default build-deb]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-deb}
fresh=()
if [[ $# -eq 0 || ! -f $build/CMakeCache.txt ]]; then
    fresh=(-DCMAKE_BUILD_TYPE=Release -DRE2_BENCH=OFF)
fi
cmake -S . -B "$build" "${fresh[@]}" -DCMAKE_INSTALL_PREFIX=/usr -DRE2_WARNINGS_AS_ERRORS=ON \
    -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON >/dev/null
nice cmake --build "$build" -j2 --target re2-terminal re2-simulator re2-export re2-device re2_package_files
rm -f "$build"/re2-terminal_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
ls "$build"/re2-terminal_*.deb
