#!/usr/bin/env bash
# Statistics encoding: bench_avro.exe makes, encodes and queues COUNT events
# of mixed types under Wine with traffic held; python3-avro encodes the same
# records natively in the same run. Prints both rates and their ratio.
# Goal: ratio >= 20.
# Usage: bench/avro_bench.sh [BUILD_DIR] [COUNT] [PYTHON_COUNT]
set -euo pipefail
repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$repo/build}"
count="${2:-100000}"
python_count="${3:-$count}"
source "$repo/bench/wine_env.sh"
build_programs bench_avro
warm_wineserver

ours="$(wine_output 300 "$build/bench/bench_avro.exe" "$count")"
value() { printf '%s\n' "$1" | awk -v k="$2" -F': ' '$1 == k {print $2}'; }
reference="$(timeout 900 /usr/bin/python3 "$repo/bench/avro_bench.py" "$python_count" \
  "$(value "$ours" os_version)")"

echo "ours (bench_avro.exe under Wine):"
printf '%s\n' "$ours" | sed 's/^/  /'
echo "reference (python3-avro, native):"
printf '%s\n' "$reference" | sed 's/^/  /'
awk -v a="$(value "$ours" events_per_second)" -v b="$(value "$reference" events_per_second)" \
  'BEGIN {printf "ratio: %.1f (goal >= 20)\n", a / b}'
