#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (AddressSanitizer and UndefinedBehaviorSanitizer)
# and runs each for a bounded number of inputs. The first argument scales the run: the
# receiver gets that many inputs (default 200000), the checksummed-frame receiver half of
# it, the settings reader a quarter, and the image decoder, whose every input is a whole
# 475,136-byte image, a hundredth.
# Longer runs: scripts/fuzz.sh 10000000
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-200000}
cmake -S . -B build-fuzz -DCMAKE_CXX_COMPILER=clang++ -DRE2_FUZZ=ON -DRE2_WITH_QT=OFF \
      -DRE2_SANITIZE=address,undefined -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DRE2_WARNINGS_AS_ERRORS=ON >/dev/null
# Only the fuzz targets: the tests are built and run by the other builds.
targets=()
for src in fuzz/*_fuzzer.cpp; do
    targets+=("$(basename "$src" .cpp)")
done
cmake --build build-fuzz -j2 --target "${targets[@]}"
for src in fuzz/*_fuzzer.cpp; do
    name=$(basename "$src" .cpp)
    case $name in
    receiver_fuzzer) n=$runs ;;
    receiver_checksum_fuzzer) n=$((runs / 2)) ;;
    decode_image_fuzzer) n=$((runs / 100)) ;;
    *) n=$((runs / 4)) ;;
    esac
    work=build-fuzz/corpus-$name
    mkdir -p "$work"
    [[ -d fuzz/corpus/$name ]] && cp -n fuzz/corpus/$name/* "$work"/ 2>/dev/null || true
    echo "== $name: $n inputs"
    if ! build-fuzz/$name -runs="$n" -max_len=4096 -print_final_stats=1 "$work" \
            >"build-fuzz/$name.log" 2>&1; then
        tail -n 40 "build-fuzz/$name.log"
        echo "$name found a fault"
        exit 1
    fi
    grep -E 'stat::number_of_executed_units' "build-fuzz/$name.log" || true
done
