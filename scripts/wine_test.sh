#!/usr/bin/env bash
# Runs a Windows program under Wine in the test environment of test_env.sh.
# Usage: wine_test.sh ENV_DIR WINEPREFIX PROGRAM [ARGS...]
# The program's output goes through a file: Wine's background processes may
# inherit the caller's pipes and would keep the test runner waiting.
set -u
dir=$1 prefix=$2; shift 2
export WINEPREFIX="$prefix" WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"
unset http_proxy https_proxy HTTP_PROXY HTTPS_PROXY
[ -f "$dir/display" ] && export DISPLAY="$(cat "$dir/display")"
out=$(mktemp)
/usr/lib/wine/wine64 "$@" </dev/null >"$out" 2>&1
rc=$?
cat "$out"; rm -f "$out"
exit $rc
