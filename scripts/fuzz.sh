#!/usr/bin/env bash
# Runs the parsers' fuzz targets for as long as asked, every target in its
# own process and all of them in parallel (niced). An input that crashes,
# hangs or breaks a check is written to OUT/<target>/; the target is then
# started again with the next seed until its time is up. Keep a finding by
# copying its .bin into testing/fuzz/corpus/<target>/ once the parser is
# mended: the CTest run replays the corpus first.
# Use a Wine prefix of its own (TARVO_WINEPREFIX): stopping the tests'
# environment stops every Wine process of its prefix.
# Usage: scripts/fuzz.sh [-s SECONDS] [-o OUT] [-b BUILD_DIR] [TARGET...]
set -uo pipefail
repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
seconds=3600 out="$repo/fuzz_out" build="$repo/build"
while getopts "s:o:b:" opt; do
  case $opt in
    s) seconds=$OPTARG ;;
    o) out=$OPTARG ;;
    b) build=$OPTARG ;;
    *) exit 2 ;;
  esac
done
shift $((OPTIND - 1))
mkdir -p "$out"
out="$(cd "$out" && pwd)"
export WINEPREFIX="${TARVO_WINEPREFIX:-$repo/.cache/wineprefix}" WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"
wine=/usr/lib/wine/wine64
fuzzer="$build/bin/installer_fuzz.exe"
[ -f "$fuzzer" ] || { echo "build installer_fuzz first" >&2; exit 2; }
targets=("$@")
[ ${#targets[@]} -gt 0 ] || mapfile -t targets < <("$wine" "$fuzzer" --list </dev/null | tr -d '\r')

run_target() {  # TARGET
  local target=$1 seed=1 start now left rc log="$out/$1.log"
  start=$(date +%s)
  echo "$target: start $(date -u +%FT%TZ), $seconds s" >"$log"
  while :; do
    now=$(date +%s); left=$(( seconds - (now - start) ))
    [ "$left" -gt 0 ] || break
    timeout $(( left + 120 )) nice -n 19 "$wine" "$fuzzer" --target="$target" --seconds="$left" \
      --seed="$seed" --corpus="Z:$repo/testing/fuzz/corpus" \
      --seed_dir="Z:$build/bin/lzma_test_data" --findings="Z:$out" \
      --work="Z:$out/work_$target" </dev/null >>"$log" 2>&1
    rc=$?
    echo "$target: seed $seed ended with $rc at $(date -u +%FT%TZ)" >>"$log"
    # Also after a clean end: a stopped wineserver ends the run early.
    seed=$(( seed + 1 ))
    sleep 1
  done
  rm -rf "$out/work_$target"
  echo "$target: done after $(( $(date +%s) - start )) s, findings: $(ls "$out/$target" 2>/dev/null | grep -c '\.bin$')" >>"$log"
}

for target in "${targets[@]}"; do
  run_target "$target" &
done
wait
for target in "${targets[@]}"; do tail -n1 "$out/$target.log"; done
