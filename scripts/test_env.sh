#!/usr/bin/env bash
# Starts (or stops) the display and wineserver that a test run shares.
# Top-level windows need the wineserver to have been started under a display,
# so every test process runs with DISPLAY set to our own Xvfb.
set -u
action=$1 dir=$2 prefix=$3
export WINEPREFIX="$prefix" WINEDEBUG=-all
mkdir -p "$dir"

# The display server is known by its pid and start time: a run that was
# killed leaves its pid behind, and by the next run the number may belong to
# another checkout's display server.
started() { awk '{print $22}' "/proc/$1/stat" 2>/dev/null; }
stop_display() {
  local pid start
  [ -f "$dir/xvfb.pid" ] || return 0
  read -r pid start < "$dir/xvfb.pid"
  [ -n "$pid" ] && [ -n "$start" ] && [ "$(started "$pid")" = "$start" ] &&
    kill "$pid" 2>/dev/null
  rm -f "$dir/xvfb.pid"
}
case "$action" in
  start)
    stop_display
    /usr/lib/wine/wineserver -k 2>/dev/null
    # Xvfb picks a display number no other server holds (test runs of other
    # checkouts start theirs at the same time) and writes it once it accepts
    # connections; checking for a free number first would race with them.
    # It never resets: an X server resets when its last client leaves, and
    # a test process connecting meanwhile would be dropped or never answered.
    rm -f "$dir/display.new"
    setsid Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset \
      </dev/null >/dev/null 2>&1 3>"$dir/display.new" &
    pid=$!
    for _ in $(seq 300); do
      grep -q '^[0-9][0-9]*$' "$dir/display.new" 2>/dev/null && break
      kill -0 "$pid" 2>/dev/null || break
      sleep 0.1
    done
    n=$(grep '^[0-9][0-9]*$' "$dir/display.new" 2>/dev/null)
    rm -f "$dir/display.new"
    if [ -n "$n" ] && kill -0 "$pid" 2>/dev/null; then
      echo "$pid $(started "$pid")" > "$dir/xvfb.pid"; echo ":$n" > "$dir/display"
      export DISPLAY=":$n"
      setsid /usr/lib/wine/wineserver -p </dev/null >/dev/null 2>&1
      # Wine's own background processes start with the first program; let
      # them start here, away from the test runner's output pipes. That
      # program also tells Wine's X11 driver that no window manager runs:
      # managed windows would wait 2 s at every unmap for one to answer.
      timeout 60 /usr/lib/wine/wine64 reg add 'HKCU\Software\Wine\X11 Driver' \
        /v Managed /d N /f </dev/null >/dev/null 2>&1
      # The tests expect Windows 10, whoever made the prefix.
      timeout 60 /usr/lib/wine/wine64 reg add 'HKCU\Software\Wine' \
        /v Version /d win10 /f </dev/null >/dev/null 2>&1
      exit 0
    fi
    kill "$pid" 2>/dev/null
    echo "test_env: no display could be started" >&2; exit 1 ;;
  stop)
    /usr/lib/wine/wineserver -k 2>/dev/null
    stop_display
    rm -f "$dir/display"
    exit 0 ;;
esac
