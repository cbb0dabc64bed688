#!/usr/bin/env bash
# Builds everything, starts the device simulator on a pseudo-terminal linked as COM1 in
# demo/, and starts the terminal from a copy of its program file in that directory, so that
# "Połącz" connects to the simulator. The simulator stops when the terminal ends.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
mkdir -p demo
cp build/re2-terminal demo/re2-terminal
build/re2-simulator --link-dir demo --com 1 "$@" >demo/simulator.log 2>&1 &
sim=$!
trap 'kill $sim 2>/dev/null || true' EXIT
for _ in $(seq 50); do [[ -e demo/COM1 ]] && break; sleep 0.1; done
demo/re2-terminal
