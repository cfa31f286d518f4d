#!/usr/bin/env bash
# Start-up of `installer.exe --version` under Wine against a hello-world
# program built the same way, as a ratio of median wall times over repeated,
# interleaved runs under one warm wineserver. Goal: ratio <= 1.1.
# Usage: bench/startup_bench.sh [BUILD_DIR] [RUNS]
set -euo pipefail
repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$repo/build}"
runs="${2:-30}"
source "$repo/bench/wine_env.sh"
build_programs installer installer_engine bench_hello_world
warm_wineserver

time_ms() {
  local start end
  start=$(date +%s%N)
  timeout 60 "$wine" "$@" </dev/null >/dev/null 2>&1
  end=$(date +%s%N)
  echo $(( (end - start) / 1000000 ))
}

installer=() hello=()
for _ in $(seq "$runs"); do
  installer+=("$(time_ms "$build/bin/installer.exe" --version)")
  hello+=("$(time_ms "$build/bench/bench_hello_world.exe")")
done
median() { printf '%s\n' "$@" | sort -n | awk '{a[NR]=$1} END {print (NR%2) ? a[(NR+1)/2] : (a[NR/2]+a[NR/2+1])/2}'; }
mi=$(median "${installer[@]}")
mh=$(median "${hello[@]}")
echo "runs: $runs"
echo "installer.exe --version median: ${mi} ms"
echo "hello world median: ${mh} ms"
awk -v a="$mi" -v b="$mh" 'BEGIN {printf "ratio: %.3f (goal <= 1.1)\n", a / b}'
