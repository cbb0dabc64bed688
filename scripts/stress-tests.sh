#!/usr/bin/env bash
# Runs the main suite N times in a row (default 10) with every core kept busy by stress-ng,
# first as root and then as an unprivileged user (as scripts/test.sh does), stopping at the
# first failure. A test that depends on how threads are scheduled fails here sooner or
# later. Extra arguments go to ctest, e.g. -R 'link|reliability' to repeat only those.
# RE2_TEST_USER names the unprivileged user (default re2test, created when missing).
set -euo pipefail
cd "$(dirname "$0")/.."
repeat=${1:-10}
shift || true
export QT_QPA_PLATFORM=offscreen

if ! command -v stress-ng >/dev/null; then
    sudo=""
    [[ $(id -u) -eq 0 ]] || sudo="sudo"
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q stress-ng
fi
scripts/build.sh

# One CPU hog per core, for as long as the runs take.
stress-ng --cpu "$(nproc)" --timeout 0 --quiet &
load=$!
userdir=""
cleanup() {
    kill "$load" 2>/dev/null || true
    wait "$load" 2>/dev/null || true
    [[ -z $userdir ]] || rm -rf "$userdir"
}
trap cleanup EXIT

ctest_args=(--output-on-failure -j2 --timeout 300 --repeat "until-fail:$repeat" "$@")
echo "== main suite, $repeat times under load, as $(id -un)"
ctest --test-dir build "${ctest_args[@]}"
if [[ $(id -u) -ne 0 ]]; then
    exit 0
fi

user=${RE2_TEST_USER:-re2test}
if ! id -u "$user" >/dev/null 2>&1; then
    useradd --system --no-create-home --home-dir /nonexistent --shell /usr/sbin/nologin "$user"
fi
# The test programs and CTest's files go to a directory of the user's own, with the build
# directory's path in them changed to it.
build=$(pwd)/build
userdir=$(mktemp -d /tmp/re2-user-stress.XXXXXX)
cp "$build"/CTestTestfile.cmake "$build"/*_include.cmake "$build"/*_tests.cmake "$userdir"/
find "$build" -maxdepth 1 -type f -executable -name 're2_*_tests' -exec cp {} "$userdir"/ \;
# The command-line and port-sharing tests run re2-device from beside themselves.
[[ -x $build/re2-device ]] && cp "$build"/re2-device "$userdir"/
sed -i "s|$build|$userdir|g" "$userdir"/*.cmake
mkdir -m 700 "$userdir/runtime"
chown -R "$user:" "$userdir"
echo "== main suite, $repeat times under load, as $user"
setpriv --reuid="$user" --regid="$(id -g "$user")" --clear-groups \
    env HOME="$userdir" USER="$user" LOGNAME="$user" XDG_RUNTIME_DIR="$userdir/runtime" \
    ctest --test-dir "$userdir" "${ctest_args[@]}" -LE layers
