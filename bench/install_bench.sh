#!/usr/bin/env bash
# An offline silent installation of a realistic package against native
# `7z x` of the same archive, in the same run, interleaved. The package is
# the test package plus the Wine prefix's own system32 DLLs (hundreds of MB
# of real PE files) as installed files, packed as one solid BCJ2 + LZMA2
# archive and appended to installer.exe. The installer runs in a fresh Wine
# prefix, each run into a folder of its own; the peak private memory
# (RssAnon) of every installer process is sampled from Linux.
# Goals: median ratio <= 1.25, no run's ratio to the native run before it
# above 1.5; peak private memory <= 32 MB.
# Under BENCH_SMOKE the package is the test package alone.
# Usage: bench/install_bench.sh [BUILD_DIR] [RUNS]
set -euo pipefail
repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$(cd "${1:-$repo/build}" && pwd)"
runs="${2:-3}"
source "$repo/bench/wine_env.sh"
work="$build/install_bench${smoke:+_smoke}"
mkdir -p "$work"
source_prefix="$WINEPREFIX"

# The package: the test package's tree plus system32's DLLs, made again when
# the build's test package is newer, so that the installer it holds (which
# takes over each run) is the one built.
archive="$work/tarvo_package"
if [ ! -f "$archive" ] || [ "$build/test_package/tarvo_package" -nt "$archive" ]; then
  rm -rf "$work/tree" && mkdir -p "$work/tree"
  7z x -y -bd -o"$work/tree" "$build/test_package/tarvo_package" >/dev/null
  [ -n "$smoke" ] || (cd "$source_prefix/drive_c/windows/system32" &&
   find . -maxdepth 1 -type f -iname '*.dll' -size +20k -printf '%P\n' | sort |
   while read -r f; do cp "$f" "$work/tree/sys_$f"; printf 'sys_%s\r\n' "$f" >>"$work/tree/files_list"; done)
  (cd "$work/tree" && 7z a -bd -y -mmt=4 -ms=on -m0=BCJ2 -m1=LZMA2:d=32m -m2=LZMA:d=1m -m3=LZMA:d=1m \
     -mb0:1 -mb0s1:2 -mb0s2:3 "$archive.7z" . >/dev/null)
  mv "$archive.7z" "$archive"
fi
installer_dir="$work/installer"
mkdir -p "$installer_dir"
python3 "$repo/package/append_payload.py" --installer "$build/bin/installer.exe" \
  --out "$installer_dir/installer.exe" --package "$archive" --sign none >/dev/null
cp "$build/bin/installer_engine.dll" "$installer_dir/"

export WINEPREFIX="$work/prefix"
# A wineserver of the last prefix (left by a run that was killed) would
# serve the new one when the new folder gets the old one's inode.
if [ -d "$WINEPREFIX" ]; then
  /usr/lib/wine/wineserver -k 2>/dev/null && /usr/lib/wine/wineserver -w || true
fi
rm -rf "$WINEPREFIX"
timeout 300 "$wine" wineboot -i </dev/null >/dev/null 2>&1 ||
  { echo "wineboot -i of a fresh prefix ended with $?" >&2; exit 1; }
/usr/lib/wine/wineserver -w
/usr/lib/wine/wineserver -p 120 </dev/null >/dev/null 2>&1
keep_wine_up "$work" stop
# Windows runs its Task Scheduler service all the time; Wine starts it for
# its first client, which would cost the first run's scheduled-task step
# about 1 s.
timeout 60 "$wine" sc start Schedule </dev/null >/dev/null 2>&1 || true
for _ in $(seq 100); do
  case "$(wine_output 60 sc query Schedule)" in *RUNNING*) break ;; esac
  sleep 0.1
done

now_ms() { echo $(( $(date +%s%N) / 1000000 )); }

# Each side starts alike: its previous output removed and nothing of it
# left to write back (`sync`), so that no run pays for an earlier one.
settle() { rm -rf "$1"; sync; }

native_ms() {
  settle "$work/native"
  local start; start=$(now_ms)
  7z x -y -bd -o"$work/native" "$archive" >/dev/null
  echo $(( $(now_ms) - start ))
}

# The peak private memory (RssAnon, in kB) of the installer processes of
# this prefix while process PID runs, printed when it has ended. Wine starts
# each process on its own, none a child of the one before, so they are found
# by their command line (every 4th sample) and kept when they belong to this
# prefix. Samples are read with shell builtins: a sampler that forks takes
# processor time from the run it measures (about 0.4 of a processor).
sample_memory() {  # PID
  local round=0 peak=0 pid key value nap
  local -A mine=() seen=()
  exec {nap}<> <(:)
  while kill -0 "$1" 2>/dev/null; do
    if (( round++ % 4 == 0 )); then
      seen=()
      for pid in $(pgrep -f 'installer\.exe'); do
        seen[$pid]=1
        [ -n "${mine[$pid]:-}" ] && continue
        mine[$pid]=no
        grep -q -a -x "WINEPREFIX=$WINEPREFIX" <(tr '\0' '\n' 2>/dev/null <"/proc/$pid/environ") &&
          mine[$pid]=yes
      done
      for pid in "${!mine[@]}"; do [ -n "${seen[$pid]:-}" ] || unset "mine[$pid]"; done
    fi
    for pid in "${!mine[@]}"; do
      [ "${mine[$pid]}" = yes ] || continue
      # A process that has just ended has no status to read.
      { while read -r key value _; do
          if [ "$key" = RssAnon: ]; then (( value > peak )) && peak=$value; break; fi
        done <"/proc/$pid/status"; } 2>/dev/null || true
    done
    read -r -t 0.05 -u "$nap" || true
  done
  echo "$peak"
}

# Wall time of one silent install, taken when it ends; meanwhile its
# processes' memory is sampled.
peak_anon=0 last_ms=0 run=0
run_install() {
  run=$((run + 1))
  local start pid sampler code anon
  settle "$WINEPREFIX/drive_c/bench/$((run - 1))"
  start=$(now_ms)
  timeout 900 "$wine" "$installer_dir/installer.exe" --silent --enable-installer-stats=0 \
    --launchbrowser=0 --with-feature:installer-pref-default-overrides-support=off \
    --allusers=0 "--installfolder=C:\\bench\\$run" </dev/null >/dev/null 2>&1 &
  pid=$!
  sample_memory "$pid" >"$work/peak" &
  sampler=$!
  code=0
  wait "$pid" || code=$?
  last_ms=$(( $(now_ms) - start ))
  wait "$sampler" || true
  read -r anon <"$work/peak" || anon=0
  (( anon > peak_anon )) && peak_anon=$anon
  [ "$code" = 0 ] || { echo "the install ended with exit code $code" >&2; exit 1; }
}

load=$(cut -d' ' -f1-3 /proc/loadavg)
native=() ours=()
for _ in $(seq "$runs"); do
  native+=("$(native_ms)")
  run_install
  ours+=("$last_ms")
done
installed="$WINEPREFIX/drive_c/bench/$run"
count=$(find "$installed" -type f -name 'sys_*' | wc -l)
rm -rf "$work/native"

median() { printf '%s\n' "$@" | sort -n | awk '{a[NR]=$1} END {print (NR%2) ? a[(NR+1)/2] : (a[NR/2]+a[NR/2+1])/2}'; }
mn=$(median "${native[@]}")
mo=$(median "${ours[@]}")
mb() { awk -v b="$1" 'BEGIN {printf "%.1f MB", b / 1048576}'; }
unpacked=$(7z l "$archive" | tail -n1 | awk '{print $3}')
echo "package: $(mb "$(stat -c %s "$archive")") packed (BCJ2 + LZMA2, solid), $(mb "$unpacked") unpacked, $count system DLLs installed"
echo "runs: $runs (load average before: $load)"
echo "native 7z x median: ${mn} ms"
echo "silent install under Wine median: ${mo} ms (all: ${ours[*]})"
awk -v a="$mo" -v b="$mn" 'BEGIN {printf "ratio: %.2f (goal <= 1.25)\n", a / b}'
# Each run against the native run just before it: a machine whose speed
# drifts moves both alike.
paste -d' ' <(printf '%s\n' "${ours[@]}") <(printf '%s\n' "${native[@]}") |
  awk '{print $1 / $2}' | sort -n |
  awk '{r[NR] = $1} END {printf "each run against its native run: median %.2f, worst %.2f (goal <= 1.5)\n",
                         (NR % 2) ? r[(NR + 1) / 2] : (r[NR / 2] + r[NR / 2 + 1]) / 2, r[NR]}'
echo "peak private memory of an installer process (RssAnon): $(mb $((peak_anon * 1024))) (goal <= 32 MB)"
python3 "$repo/bench/install_profile.py" "$(echo "$WINEPREFIX"/drive_c/users/*/Temp/"Tarvo Installer")" "${ours[@]}"
