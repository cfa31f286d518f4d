#!/usr/bin/env bash
# Executions per second of every fuzz target under Wine, each for SECONDS,
# with the rate of the fuzzer's own work (mutation, guard, scratch check,
# no parser) measured in the same run as the reference: the ratio says how
# much of a second the parser itself takes. Under BENCH_SMOKE only the first
# target runs.
# Usage: bench/fuzz_bench.sh [BUILD_DIR] [SECONDS]
set -euo pipefail
repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$(cd "${1:-$repo/build}" && pwd)"
seconds="${2:-10}"
source "$repo/bench/wine_env.sh"
build_programs installer_fuzz
fuzzer="$build/bin/installer_fuzz.exe"
work="$build/fuzz_bench"
rm -rf "$work" && mkdir -p "$work"
common=(--seed=1 --corpus="Z:$repo/testing/fuzz/corpus" --seed_dir="Z:$build/bin/lzma_test_data"
        --findings="Z:$work/findings" --work="Z:$work/scratch")
rate() {  # ARGS... -> exec/s
  wine_output 600 "$fuzzer" "${common[@]}" "$@" |
    awk '/exec\/s/ {for (i = 1; i <= NF; i++) if ($i == "exec/s") print $(i - 1)}'
}
echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg); $seconds s per target"
printf '%-20s %12s %12s %8s\n' target "exec/s" "reference" ratio
mapfile -t targets < <(wine_output 60 "$fuzzer" --list | smoke_first 1)
for target in "${targets[@]}"; do
  reference=$(rate --target="$target" --seconds="$(( seconds < 2 ? seconds : 2 ))" --reference)
  measured=$(rate --target="$target" --seconds="$seconds")
  awk -v t="$target" -v m="$measured" -v r="$reference" \
    'BEGIN {printf "%-20s %12.0f %12.0f %8.4f\n", t, m, r, (r > 0 ? m / r : 0)}'
done
[ -z "$(ls -A "$work/findings" 2>/dev/null)" ] || echo "findings in $work/findings"
