#!/usr/bin/env bash
# Saves a PNG of every page of the installer window under build/screenshots,
# in the languages given (default: en), e.g. scripts/screenshots.sh en,de,ar.
# Needs a built tree (scripts/build.sh all); runs on the tests' Xvfb.
set -euo pipefail
repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${TARVO_BUILD_DIR:-$repo/build}"
prefix="$repo/.cache/wineprefix"
out="$build/screenshots"
mkdir -p "$out"
env_dir="$build/screenshot_env"
bash "$repo/scripts/test_env.sh" start "$env_dir" "$prefix"
trap 'bash "$repo/scripts/test_env.sh" stop "$env_dir" "$prefix"' EXIT
export TARVO_SCREENSHOT_DIR="Z:${out//\//\\}"
export TARVO_SCREENSHOT_LANGUAGES="${1:-en}"
bash "$repo/scripts/wine_test.sh" "$env_dir" "$prefix" "$build/bin/installer_unittests.exe" \
  --gtest_also_run_disabled_tests --gtest_filter='InstallerWindowScreenshot.*'
ls "$out"/*.png
