#!/usr/bin/env bash
# Download throughput: bench_download.exe (the installer's WinINet downloader
# under Wine) and curl fetch the same SIZE_MB file from the same loopback
# server in the same run, RUNS times each, alternating. Prints both median
# rates and their ratio (goal >= 0.9), then cuts one download at half and
# prints how many bytes the resumed download cost beyond the file's size
# (goal: 0, the resume asks only for the missing bytes).
# Usage: bench/download_bench.sh [BUILD_DIR] [SIZE_MB] [RUNS]
set -euo pipefail
repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$repo/build}"
size_mb="${2:-100}"
runs="${3:-5}"
source "$repo/bench/wine_env.sh"
build_programs bench_download
unset http_proxy https_proxy HTTP_PROXY HTTPS_PROXY
warm_wineserver

work="$(mktemp -d)"
server_pid=""
cleanup() {
  local status=$?
  [ "$status" = 0 ] || { echo "failed; the downloader said:" >&2; grep -a "ERROR" "$work/log" | tail -5 >&2 || true; }
  [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
head -c "$((size_mb * 1048576))" /dev/urandom >"$work/file.bin"
size="$(stat -c %s "$work/file.bin")"

start_server() {  # [--cut N]
  rm -f "$work/port"
  /usr/bin/python3 "$repo/bench/download_bench_server.py" "$work/file.bin" "$work/sent" "$@" \
    >"$work/port" 2>/dev/null &
  server_pid=$!
  for _ in $(seq 50); do [ -s "$work/port" ] && break; sleep 0.1; done
  port="$(cat "$work/port")"
}
out_win="$(wine_output 60 winepath.exe -w "$work/out.bin")"
ours() {  # URL -> seconds
  wine_output 300 "$build/bench/bench_download.exe" "$1" "$out_win" 1 >"$work/log"
  awk -F': ' '$1 == "seconds" {print $2}' "$work/log"
}
median() { sort -g | awk '{a[NR] = $1} END {print (NR % 2) ? a[(NR + 1) / 2] : (a[NR / 2] + a[NR / 2 + 1]) / 2}'; }

start_server
url="http://localhost:$port/file.bin"
: >"$work/ours" ; : >"$work/curl"
for _ in $(seq "$runs"); do
  ours "$url" >>"$work/ours"
  cmp -s "$work/file.bin" "$work/out.bin" || { echo "downloaded file differs" >&2; exit 1; }
  curl -s -o "$work/out.bin" -w '%{time_total}\n' "http://127.0.0.1:$port/file.bin" >>"$work/curl"
done
kill "$server_pid"; server_pid=""
ours_s="$(median <"$work/ours")"
curl_s="$(median <"$work/curl")"

start_server --cut "$((size / 2))"
ours "http://localhost:$port/cut/file.bin" >/dev/null
cmp -s "$work/file.bin" "$work/out.bin" || { echo "resumed file differs" >&2; exit 1; }
sent="$(cat "$work/sent")"

echo "load: $(cut -d' ' -f1-3 /proc/loadavg)"
echo "file: $size bytes, $runs runs each, medians"
awk -v s="$ours_s" -v z="$size" 'BEGIN {printf "ours: %.3f s, %.1f MB/s\n", s, z / s / 1e6}'
awk -v s="$curl_s" -v z="$size" 'BEGIN {printf "curl: %.3f s, %.1f MB/s\n", s, z / s / 1e6}'
awk -v a="$ours_s" -v b="$curl_s" 'BEGIN {printf "ratio (ours/curl throughput): %.2f (goal >= 0.9)\n", b / a}'
echo "resume after a cut at half: $sent bytes served for $size, $((sent - size)) extra (goal 0)"
