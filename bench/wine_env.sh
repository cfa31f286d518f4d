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
