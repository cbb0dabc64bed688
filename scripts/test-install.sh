#!/usr/bin/env bash
# Checks the terminal as a user gets it, not as the build tree runs it. Run as root after
# scripts/install-deps.sh and a build of build/ (scripts/build.sh):
#  1. installs build/ with DESTDIR into a root-owned staging tree and checks its files;
#  2. starts the staged re2-terminal offscreen as the unprivileged user nobody, with a
#     fresh HOME, and checks that it comes up with its Qt platform plugin and the Polish
#     Qt translation loaded (both show in its memory maps) and that it ends on SIGTERM,
#     the signal a desktop session ends programs with: it must still be running when the
#     signal comes and die of it, not of a crash or an early exit;
#  3. builds the Debian package in a Release build of its own (scripts/package.sh, into
#     build-deb/), so that a warning of the optimiser stops it too, and checks it with
#     lintian (errors and hardening tags fail), and the desktop entry and the AppStream
#     metadata with their validators.
# Usage: scripts/test-install.sh [build directory, default build]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
app_id=pl.dovuzedu.re2_terminal
if [[ $(id -u) -ne 0 ]]; then
    echo "test-install: run as root (it starts the program as the user nobody)" >&2
    exit 1
fi
fail() {
    echo "test-install: $*" >&2
    exit 1
}

echo "== install into a staging tree"
nice cmake --build "$build" -j2 --target re2-terminal re2-simulator re2-export re2-device re2_package_files >/dev/null
work=$(mktemp -d /tmp/re2-install-XXXXXX)
pid=""
cleanup() {
    [[ -n $pid ]] && kill -KILL "$pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
chmod 755 "$work"
DESTDIR="$work/stage" cmake --install "$build" >/dev/null
prefix=$(sed -n 's/^CMAKE_INSTALL_PREFIX:PATH=//p' "$build/CMakeCache.txt")
root="$work/stage$prefix"
expected=(bin/re2-terminal bin/re2-simulator bin/re2-export bin/re2-device
          "share/applications/$app_id.desktop" "share/metainfo/$app_id.metainfo.xml"
          "share/icons/hicolor/scalable/apps/$app_id.svg"
          share/doc/re2-terminal/README.md share/doc/re2-terminal/copyright
          share/doc/re2-terminal/changelog.gz
          share/man/man1/re2-terminal.1.gz share/man/man1/re2-simulator.1.gz
          share/man/man1/re2-export.1.gz share/man/man1/re2-device.1.gz)
for size in 16 32 48 64 128 256; do
    png="share/icons/hicolor/${size}x${size}/apps/$app_id.png"
    expected+=("$png")
    file "$root/$png" | grep -q "PNG image data, $size x $size" || fail "$png is not ${size}x$size"
done
for f in "${expected[@]}"; do
    [[ -f $root/$f ]] || fail "not installed: $f"
done
desktop-file-validate "$root/share/applications/$app_id.desktop"
appstreamcli validate --no-net "$root/share/metainfo/$app_id.metainfo.xml"

echo "== start the staged program as nobody"
as_nobody=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
if "${as_nobody[@]}" test -w "$root/bin"; then
    fail "the staged bin directory must not be writable by nobody"
fi
mkdir "$work/home"
chown nobody:nogroup "$work/home"
env -i PATH=/usr/bin:/bin HOME="$work/home" LANG=C.UTF-8 QT_QPA_PLATFORM=offscreen \
    "${as_nobody[@]}" "$root/bin/re2-terminal" >"$work/output" 2>&1 &
pid=$!
up=""
for _ in $(seq 100); do
    if ! kill -0 "$pid" 2>/dev/null; then
        break
    fi
    maps=$(cat "/proc/$pid/maps" 2>/dev/null || true)
    if grep -q 'platforms/libqoffscreen\.so' <<<"$maps" && grep -q 'qtbase_pl\.qm' <<<"$maps"; then
        up=yes
        break
    fi
    sleep 0.1
done
if [[ -z $up ]]; then
    cat "$work/output" >&2
    fail "re2-terminal did not come up with its platform plugin and Polish translation"
fi
sleep 1 # past the start-up; a crash there would show below
kill -0 "$pid" 2>/dev/null || { cat "$work/output" >&2; fail "re2-terminal ended by itself"; }
kill -TERM "$pid"
status=0
wait "$pid" || status=$?
pid=""
[[ $status -eq 143 ]] || { cat "$work/output" >&2; fail "re2-terminal ended with status $status, not by SIGTERM"; }

echo "== Debian package"
deb=$(scripts/package.sh | tail -n 1)
echo "$deb"
depends=$(dpkg-deb -f "$deb" Depends)
for needed in libqt6widgets6 qt6-translations-l10n fonts-liberation2; do
    grep -q "$needed" <<<"$depends" || fail "Depends lacks $needed: $depends"
done
mkdir "$work/deb"
dpkg-deb -x "$deb" "$work/deb"
for program in re2-terminal re2-simulator re2-export re2-device; do
    file "$work/deb/usr/bin/$program" | grep -q ", stripped" || fail "$program is not stripped"
done
lintian --fail-on error --tag-display-limit 0 "$deb"
# Built as Debian builds its packages: no hardening tag, not even an informational one.
hardening=$(lintian -I --tag-display-limit 0 "$deb" | grep -- ' hardening-' || true)
[[ -z $hardening ]] || fail "the programs lack the distribution's hardening: $hardening"
echo "test-install: all passed"
