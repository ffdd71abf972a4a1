#!/usr/bin/env bash
# Builds the libFuzzer targets with clang into build-fuzz/ and runs each one for N seconds
# (default 60), one after the other on one core. Fails when a target crashes; the input that
# crashed is kept in build-fuzz/artifacts/. New inputs grow build-fuzz/corpus/<target>/, which
# starts from the seeds in fuzz/corpus/<target>/.
# Usage: scripts/fuzz.sh [seconds]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
scripts/install-deps.sh --fuzz

CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILLET_FUZZ=ON \
    -DQUILLET_TESTS=OFF -DQUILLET_BENCH=OFF >/dev/null
targets=(launch_argument parameter_file run_deflate png_encoder)
cmake --build build-fuzz -j "$(nproc)" --target "${targets[@]/#/quillet_fuzz_}"

root=$PWD
mkdir -p build-fuzz/artifacts
# The launch target reads parameter files by plain names from its working directory.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp fuzz/corpus/parameter_file/all_keys.json "$work/params.json"

failed=()
for t in "${targets[@]}"; do
    corpus="$root/build-fuzz/corpus/$t"
    mkdir -p "$corpus"
    echo "== $t: $seconds s"
    status=0
    # A dictionary and seeds where the target has them.
    extra=()
    [ -f "$root/fuzz/$t.dict" ] && extra+=(-dict="$root/fuzz/$t.dict")
    seeds=()
    [ -d "$root/fuzz/corpus/$t" ] && seeds+=("$root/fuzz/corpus/$t")
    (cd "$work" && "$root/build-fuzz/fuzz/quillet_fuzz_$t" -max_total_time="$seconds" \
        -timeout=10 -max_len=8192 -print_final_stats=1 "${extra[@]}" \
        -artifact_prefix="$root/build-fuzz/artifacts/$t-" "$corpus" "${seeds[@]}") \
        > "build-fuzz/$t.log" 2>&1 || status=$?
    grep -E '^stat::(number_of_executed_units|peak_rss_mb)|^#[0-9]+[[:space:]]+DONE' "build-fuzz/$t.log" || true
    if [ "$status" -ne 0 ]; then
        echo "$t failed (status $status); see build-fuzz/$t.log:"
        grep -E 'ERROR|broken:|runtime error|Test unit written' "build-fuzz/$t.log" | head -n 20 || true
        failed+=("$t")
    fi
done
[ ${#failed[@]} -eq 0 ] || { echo "Fuzzing failed: ${failed[*]}"; exit 1; }
echo "Fuzzing found no crash."
