#!/usr/bin/env bash
# Installs the Debian 12 packages the terminal needs to build, run, test and package.
set -euo pipefail
packages=(build-essential cmake g++ clang libclang-rt-14-dev qt6-base-dev qt6-translations-l10n
          fonts-liberation2 libacl1-dev nlohmann-json3-dev libgtest-dev libgmock-dev googletest libbenchmark-dev
          clang-format
          desktop-file-utils appstream lintian dpkg-dev file)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
    sudo=""
    [[ $(id -u) -eq 0 ]] || sudo="sudo"
    $sudo apt-get update -q
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q "${missing[@]}"
fi
