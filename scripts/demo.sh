#!/usr/bin/env bash
# Sets up the machine, builds, and shows the installer under Wine: its
# version, then a run and the log file that run wrote.
set -euo pipefail
repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${TARVO_BUILD_DIR:-$repo/build}"
bash "$repo/scripts/setup.sh"
bash "$repo/scripts/build.sh" installer installer_engine >/dev/null

export WINEPREFIX="${TARVO_WINEPREFIX:-$repo/.cache/wineprefix}" WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"
wine=/usr/lib/wine/wine64
installer="$build/bin/installer.exe"

echo "== installer.exe --version"
timeout 120 "$wine" "$installer" --version </dev/null | cat
echo

echo "== installer.exe --silent (a run; its exit code and its log file)"
temp_unix=$(timeout 60 "$wine" cmd.exe /c echo %TEMP% </dev/null 2>/dev/null | tr -d '\r')
log_dir="$(timeout 60 "$wine" winepath.exe -u "$temp_unix\\Tarvo Installer" </dev/null 2>/dev/null | tr -d "\r")"
set +e
TARVO_INSTALLER_VERBOSITY=1 timeout 120 "$wine" "$installer" --silent </dev/null | cat
code=${PIPESTATUS[0]}
set -e
echo "exit code: $code"
log=$(ls -t "$log_dir"/*.log 2>/dev/null | head -n1)
if [ -n "$log" ]; then
  echo "log file: $log"
  cat "$log"
else
  echo "no log file found in $log_dir" >&2
  exit 1
fi
