# Sourced by the benchmarks after they set $repo: the Wine environment of the
# tests' prefix (or TARVO_WINEPREFIX), and a warm start for the wineserver,
# so that its start-up is not measured.
export WINEPREFIX="${TARVO_WINEPREFIX:-$repo/.cache/wineprefix}" WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"
wine=/usr/lib/wine/wine64

warm_wineserver() {
  /usr/lib/wine/wineserver -p 60 2>/dev/null || true  # already running is fine
  timeout 60 "$wine" cmd.exe /c exit </dev/null >/dev/null 2>&1 || true
}

# Keeps one Wine process up (a "pause" that ends when the calling script
# exits) from here on. Without one, Wine stops its own system processes
# whenever the last program ends and starts them again with the next one,
# about 0.5 s that a process start on Windows does not cost. WORK_DIR holds
# the pipe that feeds the pause; with "stop", the prefix's wineserver is
# ended too, for a prefix the caller removes next time.
keep_wine_up() {  # WORK_DIR [stop]
  local pipe="$1/keep" stop=""
  [ "${2:-}" = stop ] && stop='; /usr/lib/wine/wineserver -k 2>/dev/null || true'
  rm -f "$pipe" && mkfifo "$pipe"
  timeout 3600 "$wine" cmd.exe /c pause <"$pipe" >/dev/null 2>&1 &
  keeper=$!
  exec 3>"$pipe"
  trap 'exec 3>&-; wait "$keeper" 2>/dev/null; rm -f "'"$pipe"'"'"$stop" EXIT
}
