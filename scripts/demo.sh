#!/usr/bin/env bash
# Sets up the machine and builds, then shows the installer at work in a
# fresh Wine prefix: a silent install of an installer.exe that carries the
# whole package, an upgrade to a newer package, and an uninstall. Each stage
# prints what the installer did and the log file it wrote. A stage that
# fails says so with the installer's own error, and the stages that need it
# are not run.
set -euo pipefail
repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${TARVO_BUILD_DIR:-$repo/build}"
bash "$repo/scripts/setup.sh"
bash "$repo/scripts/build.sh" installer installer_engine test_package payload_installers >/dev/null

work="$(mktemp -d /tmp/tarvo-demo.XXXXXX)"
export WINEPREFIX="$work/prefix" WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"
wine=/usr/lib/wine/wine64
# What the demo does not need: the browser started at the end, statistics
# and the preference-overrides service, which this machine cannot reach.
quiet=(--enable-installer-stats=0 --launchbrowser=0
       --with-feature:installer-pref-default-overrides-support=off)
export TARVO_INSTALLER_VERBOSITY=1

cleanup() {
  /usr/lib/wine/wineserver -k 2>/dev/null || true
  [ -n "${xvfb_pid:-}" ] && kill "$xvfb_pid" 2>/dev/null || true
}
trap cleanup EXIT
# Xvfb picks a free display itself and names it once it accepts connections;
# it never resets, which would drop a program connecting as the last one left.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset </dev/null >/dev/null 2>&1 \
  3>"$work/display" &
xvfb_pid=$!
for _ in $(seq 300); do
  grep -q '^[0-9][0-9]*$' "$work/display" 2>/dev/null && break
  kill -0 "$xvfb_pid" 2>/dev/null || break
  sleep 0.1
done
grep -q '^[0-9][0-9]*$' "$work/display" 2>/dev/null || { echo "no display could be started" >&2; exit 1; }
export DISPLAY=":$(grep -m1 '^[0-9][0-9]*$' "$work/display")"

say() { printf '%s\n' "$*"; }
unix_path() { timeout 60 "$wine" winepath.exe -u "$1" </dev/null 2>/dev/null | tr -d '\r'; }

say "== A fresh Wine prefix in $WINEPREFIX"
timeout 300 "$wine" wineboot -i >/dev/null 2>&1
/usr/lib/wine/wineserver -w

temp_dir="$(unix_path "$(timeout 60 "$wine" cmd.exe /c echo %TEMP% </dev/null 2>/dev/null | tr -d '\r')")"
log_dir="$temp_dir/Tarvo Installer"
install_dir="$WINEPREFIX/drive_c/Program Files/Tarvo developer"

describe_result() {
  case "$1" in
    0) echo "success" ;;
    101) echo "general failure" ;;
    102) echo "uninstall failed or nothing to uninstall" ;;
    107) echo "insufficient privileges" ;;
    109) echo "the browser is in use" ;;
    119) echo "package fetcher failed" ;;
    120) echo "the operation never finished" ;;
    *) echo "result $(( $1 >= 100 ? $1 - 100 : $1 ))" ;;
  esac
}

# Runs one installer; sets `code` and `log` (the newest log of the run).
run_installer() {
  local before
  before="$( (ls "$log_dir" 2>/dev/null || true) | wc -l)"
  set +e
  timeout 300 "$wine" "$@" </dev/null >/dev/null 2>&1
  code=$?
  set -e
  # The run's first log is its own; its backends add theirs after it.
  log="$( (ls -tr "$log_dir"/*.log 2>/dev/null || true) | head -n $((before + 1)) | tail -n1)"
}

# The first error the run logged, for a failed stage.
first_error() {
  grep -h ':ERROR:' "$log_dir"/*.log 2>/dev/null | grep -v 'prefs overrides\|Download failed\|retries exceeded' |
    sed 's/^\[[^]]*\] //' | head -n1
}

show_installation() {
  say "-- files in C:\\Program Files\\Tarvo developer:"
  (cd "$install_dir" && find . -type f | sed 's|^\./|   |' | sort)
  say "-- registry rows the installation recorded (uninstall entry and registrations):"
  timeout 60 "$wine" reg query 'HKLM\Software\Wow6432Node\Microsoft\Windows\CurrentVersion\Uninstall' /s </dev/null 2>/dev/null |
    tr -d '\r' | grep -i -A3 'tarvo' | sed 's/^/   /' | head -n 20 || true
  timeout 60 "$wine" reg query 'HKLM\Software\Clients\StartMenuInternet' /s </dev/null 2>/dev/null |
    tr -d '\r' | grep -i 'tarvo' | sed 's/^/   /' | head -n 6 || true
  say "-- shortcuts:"
  find "$WINEPREFIX/drive_c/users" "$WINEPREFIX/drive_c/ProgramData" -iname '*tarvo*.lnk' 2>/dev/null |
    sed "s|$WINEPREFIX/drive_c|   C:|" || true
  say "-- scheduled tasks:"
  tasks="$(find "$WINEPREFIX/drive_c/windows/tasks" "$WINEPREFIX/drive_c/windows/system32/tasks" \
    -iname 'Autoupdate*' 2>/dev/null | sed "s|$WINEPREFIX/drive_c|   C:|" || true)"
  if [ -n "$tasks" ]; then
    printf '%s\n' "$tasks"
  else
    # What the run said about its task.
    grep -h -a 'scheduled task' "$log_dir"/*.log 2>/dev/null | sed 's/^\[[^]]*\] /   none; the log: /' |
      tail -n1 || true
  fi
  if [ -f "$install_dir/installation_status.json" ]; then
    say "-- status file installation_status.json (start):"
    head -c 600 "$install_dir/installation_status.json" | sed 's/^/   /'
    echo
  fi
}

say
say "== 1. Silent install: installer.exe with the whole package appended"
mkdir -p "$work/v1"
cp "$build/payload_installers/full_package.exe" "$work/v1/installer.exe"
cp "$build/bin/installer_engine.dll" "$work/v1/"
run_installer "$work/v1/installer.exe" --silent "${quiet[@]}"
say "exit code $code ($(describe_result "$code")); log file: $log"
if [ "$code" != 0 ]; then
  say "The install stopped: $(first_error)"
  say "Not run: the upgrade and the uninstall need the installation."
  exit 1
fi
show_installation

say
say "== 2. Upgrade: a newer package, same silent switches"
# The end-to-end tests' newer packages: the same programs, saying 52.0.
python3 "$repo/desktop/windows/installer/controller/silent_end_to_end_test.py" packages \
  --build-dir "$build" --source-dir "$repo" --out-dir "$work/packages" >/dev/null
mkdir -p "$work/v2"
cp "$work/packages/installer_v2.exe" "$work/v2/installer.exe"
cp "$work/packages/bin_52.0.2802.0/installer_engine.dll" "$work/v2/"
run_installer "$work/v2/installer.exe" --silent "${quiet[@]}"
say "exit code $code ($(describe_result "$code")); log file: $log"
if [ "$code" != 0 ]; then
  say "The upgrade stopped: $(first_error)"
  exit 1
fi
say "-- versioned folders now: $(cd "$install_dir" && ls -d 5[0-9].* | tr '\n' ' ')"
[ -d "$install_dir/old_status" ] && say "-- the previous status is kept in old_status"
show_installation

say
say "== 3. Uninstall: the installer of the installation, --uninstall --silent"
uninstaller="$install_dir/52.0.2802.0/installer.exe"
run_installer "$uninstaller" --uninstall --silent "${quiet[@]}"
say "exit code $code ($(describe_result "$code")); log file: $log"
if [ "$code" != 0 ]; then
  say "The uninstall stopped: $(first_error)"
  exit 1
fi
left="$(find "$install_dir" -type f 2>/dev/null | wc -l)"
say "-- files left in the installation folder: $left (the clean-up batch file removes the rest)"
show_installation
