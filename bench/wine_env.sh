# Sourced by the benchmarks after they set $repo and $build: the Wine
# environment of the tests' prefix (or TARVO_WINEPREFIX), and a warm start
# for the wineserver, so that its start-up is not measured.
# BENCH_SMOKE=1 asks for one short run (CTest's check that a benchmark still
# runs and ends): one run of a small input, with the programs as built.
export WINEPREFIX="${TARVO_WINEPREFIX:-$repo/.cache/wineprefix}" WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"
wine=/usr/lib/wine/wine64
smoke="${BENCH_SMOKE:-}"

build_programs() {  # TARGET...
  [ -n "$smoke" ] || ninja -C "$build" "$@" >/dev/null
}

# Of its input, the first N lines in a smoke run, all of them otherwise.
smoke_first() {  # N
  awk -v n="${smoke:+$1}" 'n == "" || NR <= n'
}

# Nothing of Wine gets this script's output streams: Wine's background
# processes keep whatever their first program had open, and whoever reads
# those streams (CTest, a pipe) would wait for them.
warm_wineserver() {
  /usr/lib/wine/wineserver -p 60 </dev/null >/dev/null 2>&1 || true  # already running is fine
  timeout 60 "$wine" cmd.exe /c exit </dev/null >/dev/null 2>&1 || true
}

# The output of a Windows program (both streams, CR LF as LF), read from a
# file for the reason above. The program's exit code is returned.
wine_output() {  # SECONDS PROGRAM [ARG...]
  local limit="$1" out code=0
  shift
  out="$(mktemp)"
  timeout "$limit" "$wine" "$@" </dev/null >"$out" 2>&1 || code=$?
  tr -d '\r' <"$out"
  rm -f "$out"
  return "$code"
}

# Keeps one Wine process up (a "pause" that ends when the calling script
# exits) from here on. Without one, Wine stops its own system processes
# whenever the last program ends and starts them again with the next one,
# about 0.5 s that a process start on Windows does not cost. WORK_DIR holds
# the pipe that feeds the pause; with "stop", the prefix's wineserver is
# ended too, for a prefix the caller removes next time.
# The pipe's one writer is a process of its own that ends with the script:
# a writer the script held would be inherited by every Wine process started
# afterwards, Wine's background ones among them, and the pause would never
# see the end of its input.
keep_wine_up() {  # WORK_DIR [stop]
  local pipe="$1/keep" stop="" script=$$
  [ "${2:-}" = stop ] && stop='; /usr/lib/wine/wineserver -k 2>/dev/null || true'
  rm -f "$pipe" && mkfifo "$pipe"
  timeout 3600 "$wine" cmd.exe /c pause <"$pipe" >/dev/null 2>&1 &
  keeper=$!
  (while kill -0 "$script" 2>/dev/null; do sleep 1; done) </dev/null >"$pipe" 2>/dev/null &
  keep_writer=$!
  trap 'kill "$keep_writer" 2>/dev/null; wait "$keeper" 2>/dev/null; rm -f "'"$pipe"'"'"$stop" EXIT
}
