#!/usr/bin/env bash
# Configures (once) and builds everything into build/ (or $TARVO_BUILD_DIR).
set -euo pipefail
repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${TARVO_BUILD_DIR:-$repo/build}"
if [ ! -f "$build/build.ninja" ]; then
  cmake -S "$repo" -B "$build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$repo/cmake/mingw-w64-x86_64.cmake" \
    ${TARVO_WINEPREFIX:+-DTARVO_WINEPREFIX="$TARVO_WINEPREFIX"} >/dev/null
fi
ninja -C "$build" "$@"
