#!/usr/bin/env bash
# Builds every libFuzzer target with clang and runs each for SECONDS (default 60) on its
# seed corpus: scripts/fuzz.sh [SECONDS] [TARGET...]
# New inputs go to build-fuzz/corpus/, never into the tree. A crash or a broken property
# stops with the input in build-fuzz/crashes/; keep it as a regression input by copying it
# into tests/fuzz/corpus/<target>/ once it is mended.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
shift || true
build=${MZ_FUZZ_BUILD:-$root/build-fuzz}
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
CXX=clang++-14 cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DMZORVANY_FUZZ=ON -DMZORVANY_QT=OFF "${launcher[@]}" >/dev/null
cmake --build "$build" --target fuzz_all

targets=("$@")
if [[ ${#targets[@]} -eq 0 ]]; then
    for seeds in "$root"/tests/fuzz/corpus/*/; do
        targets+=("$(basename "$seeds")")
    done
fi
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
status=0
printf '%-22s %12s %8s %s\n' target runs corpus result
for target in "${targets[@]}"; do
    corpus="$build/corpus/$target"
    mkdir -p "$corpus" "$build/crashes"
    log="$build/fuzz-$target.log"
    if "$build/tests/fuzz/fuzz_$target" -max_total_time="$seconds" -print_final_stats=1 \
        -artifact_prefix="$build/crashes/$target-" "$corpus" "$root/tests/fuzz/corpus/$target" \
        >"$log" 2>&1; then
        result=ok
    else
        result="FAILED (see $log)"
        status=1
    fi
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    printf '%-22s %12s %8s %s\n' "$target" "${runs:-?}" "$(ls "$corpus" | wc -l)" "$result"
done
exit $status
