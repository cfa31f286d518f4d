#!/usr/bin/env bash
# SHA-256 verification of a large file with VerifyChecksum under Wine
# against native `sha256sum` of the same file, over interleaved runs.
# Prints the throughput ratio (ours / sha256sum) of the hashing itself (our
# time measured inside the process, so Wine's start-up is left out) and of
# the whole processes. Goal: hashing ratio >= 0.8.
# The file (random bytes, SIZE_MB) is made on first use and kept in
# BUILD_DIR/checksum_bench.
# Usage: bench/checksum_bench.sh [BUILD_DIR] [RUNS] [SIZE_MB]
set -euo pipefail
repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$(cd "${1:-$repo/build}" && pwd)"
runs="${2:-5}"
size_mb="${3:-256}"
source "$repo/bench/wine_env.sh"
build_programs bench_checksum
work="$build/checksum_bench"
file="$work/data_${size_mb}m.bin"
mkdir -p "$work"
if [ ! -f "$file" ]; then
  head -c "$((size_mb * 1048576))" /dev/urandom >"$file.part"
  mv "$file.part" "$file"
fi

warm_wineserver

now_ms() { echo $(( $(date +%s%N) / 1000000 )); }
expected=$(sha256sum "$file" | cut -d' ' -f1)

native=() ours_hash=() ours_process=()
for _ in $(seq "$runs"); do
  start=$(now_ms)
  sha256sum "$file" >/dev/null
  native+=($(( $(now_ms) - start )))

  start=$(now_ms)
  wine_output 120 "$build/bench/bench_checksum.exe" "Z:${file//\//\\}" >"$work/ours.txt" || true
  ours_process+=($(( $(now_ms) - start )))
  grep -qx "sha256: $expected" "$work/ours.txt" || { cat "$work/ours.txt" >&2; echo "digests differ" >&2; exit 1; }
  ours_hash+=("$(awk '/^seconds:/ {printf "%d", $2 * 1000}' "$work/ours.txt")")
done

median() { printf '%s\n' "$@" | sort -n | awk '{a[NR]=$1} END {print (NR%2) ? a[(NR+1)/2] : (a[NR/2]+a[NR/2+1])/2}'; }
mn=$(median "${native[@]}")
mh=$(median "${ours_hash[@]}")
mp=$(median "${ours_process[@]}")
echo "file: ${size_mb} MB, runs: $runs"
echo "sha256sum median: ${mn} ms ($(awk -v s="$size_mb" -v t="$mn" 'BEGIN {printf "%.0f", s * 1000 / t}') MB/s)"
echo "VerifyChecksum median (in process): ${mh} ms ($(awk -v s="$size_mb" -v t="$mh" 'BEGIN {printf "%.0f", s * 1000 / t}') MB/s)"
echo "bench_checksum.exe under Wine median (whole process): ${mp} ms"
awk -v a="$mn" -v b="$mh" 'BEGIN {printf "throughput ratio, hashing: %.2f (goal >= 0.8)\n", a / b}'
awk -v a="$mn" -v b="$mp" 'BEGIN {printf "throughput ratio, whole processes: %.2f\n", a / b}'
