#!/usr/bin/env bash
# Installs what is missing, checks every #include against the layers of the folders,
# builds, and runs every test: the main suite through CTest, as root and again as an
# unprivileged user (root passes permission checks that users fail); then, as root only,
# the install into a staging tree and the Debian package with its checks
# (scripts/test-install.sh), the link, queue and codec tests under ThreadSanitizer, the
# pure-logic, simulator, link, command-line and reliability tests under AddressSanitizer with
# UndefinedBehaviorSanitizer, and each fuzz target for a bounded number of inputs.
# Each run of the main suite ends with a line naming the tests it skipped and why.
# RE2_TEST_USER names the unprivileged user (default re2test, created when missing).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
export QT_QPA_PLATFORM=offscreen

# Prints "skipped as <who>: <test> (<reason>); ..." from the log of the CTest run in $2:
# whole tests that gtest skipped, and the rows of table tests that a test left out and
# said so with a line "[ skipped  ] <row>: <reason>".
skipped_summary() {
    local who=$1 log=$2/Testing/Temporary/LastTest.log
    local list
    # gtest prints "<file>:<line>: Skipped", the reason, then "[  SKIPPED ] <test> (<n> ms)".
    list=$(awk '
        function add(entry) { out = out (out == "" ? "" : "; ") entry }
        /^\[ RUN      \] / { test = $4 }
        /^\[ skipped  \] / {
            row = substr($0, 14)
            split_at = index(row, ": ")
            if (split_at > 0) {
                add(test " " substr(row, 1, split_at - 1) " (" substr(row, split_at + 2) ")")
            } else {
                add(test " " row)
            }
            next
        }
        / Skipped$/ { waiting = 1; next }
        waiting && !/^\[/ { reason = $0; waiting = 0; next }
        /^\[  SKIPPED \] .* ms\)$/ {
            name = $4
            sub(/,$/, "", name)
            add(name (reason == "" ? "" : " (" reason ")"))
            reason = ""
            waiting = 0
        }
        END { print out }' "$log")
    echo "skipped as $who: ${list:-none}"
}

echo "== includes against the layers (at ${SECONDS} s)"
cmake -P cmake/check_layers.cmake

echo "== main build and tests (at ${SECONDS} s)"
scripts/build.sh
failed=0
ctest --test-dir build --output-on-failure -j2 --timeout 300 || failed=1
if [[ $(id -u) -ne 0 ]]; then
    skipped_summary user build
    echo "== not root: no second run as another user, no sanitizer or fuzz runs (at ${SECONDS} s)"
    exit $failed
fi
skipped_summary root build

# The user may not reach the checkout (CI keeps it under root's home), so the test
# programs and CTest's files go to a directory of the user's own, with the build
# directory's path in them changed to that directory. The tests run there too.
user=${RE2_TEST_USER:-re2test}
if ! id -u "$user" >/dev/null 2>&1; then
    useradd --system --no-create-home --home-dir /nonexistent --shell /usr/sbin/nologin "$user"
fi
echo "== main tests again as the unprivileged user $user (at ${SECONDS} s)"
build=$(pwd)/build
userdir=$(mktemp -d /tmp/re2-user-tests.XXXXXX)
trap 'rm -rf "$userdir"' EXIT
cp "$build"/CTestTestfile.cmake "$build"/*_include.cmake "$build"/*_tests.cmake "$userdir"/
find "$build" -maxdepth 1 -type f -executable -name 're2_*_tests' -exec cp {} "$userdir"/ \;
# The command-line tests run re2-device from beside themselves.
[[ -x $build/re2-device ]] && cp "$build"/re2-device "$userdir"/
sed -i "s|$build|$userdir|g" "$userdir"/*.cmake
mkdir -m 700 "$userdir/runtime"
chown -R "$user:" "$userdir"
setpriv --reuid="$user" --regid="$(id -g "$user")" --clear-groups \
    env HOME="$userdir" USER="$user" LOGNAME="$user" XDG_RUNTIME_DIR="$userdir/runtime" \
    ctest --test-dir "$userdir" --output-on-failure -j2 --timeout 300 -LE layers || failed=1
skipped_summary user "$userdir"
if ((failed)); then
    echo "== the main suite failed; install, sanitizer and fuzz runs left out (at ${SECONDS} s)"
    exit 1
fi

echo "== installed as a user gets it: staging tree, start as nobody, Debian package (at ${SECONDS} s)"
scripts/test-install.sh build

scripts/test-sanitizers.sh
scripts/fuzz.sh "${RE2_FUZZ_RUNS:-100000}"
