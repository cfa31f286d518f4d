#!/usr/bin/env bash
# Sets up the machine, builds, and runs every test (under Wine and natively).
set -euo pipefail
repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${TARVO_BUILD_DIR:-$repo/build}"
bash "$repo/scripts/setup.sh"
bash "$repo/scripts/build.sh" all
cd "$build"
ctest --output-on-failure -j "$(nproc)" --timeout 900
