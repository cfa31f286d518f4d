#!/usr/bin/env bash
# Saves a PNG of every page of the installer window under build/screenshots,
# in the languages given (default: en), e.g. scripts/screenshots.sh en,de,ar;
# "en>ar" opens the window in English and switches it to Arabic at run time.
# TARVO_SCREENSHOT_DPI=192 shoots at that resolution (names end in "-192dpi").
# Needs a built tree (scripts/build.sh all); runs on the tests' Xvfb.
set -euo pipefail
repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${TARVO_BUILD_DIR:-$repo/build}"
prefix="$repo/.cache/wineprefix"
out="$build/screenshots"
mkdir -p "$out"
env_dir="$build/screenshot_env"
replacements='HKCU\Software\Wine\Fonts\Replacements'
wine_reg() { WINEPREFIX="$prefix" WINEDEBUG=-all /usr/lib/wine/wine64 reg "$@" >/dev/null 2>&1 || true; }
cleanup() {
  for face in "Tahoma" "Segoe UI"; do wine_reg delete "$replacements" /v "$face" /f; done
  [ -z "${TARVO_SCREENSHOT_DPI:-}" ] || wine_reg delete 'HKCU\Control Panel\Desktop' /v LogPixels /f
  bash "$repo/scripts/test_env.sh" stop "$env_dir" "$prefix"
}
bash "$repo/scripts/test_env.sh" start "$env_dir" "$prefix"
trap cleanup EXIT
if [ -n "${TARVO_SCREENSHOT_DPI:-}" ]; then
  wine_reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$TARVO_SCREENSHOT_DPI" /f
fi
export TARVO_SCREENSHOT_DIR="Z:${out//\//\\}"

shoot() {
  TARVO_SCREENSHOT_LANGUAGES="$1" bash "$repo/scripts/wine_test.sh" "$env_dir" "$prefix" \
    "$build/bin/installer_unittests.exe" --gtest_also_run_disabled_tests \
    --gtest_filter='InstallerWindowScreenshot.DISABLED_EveryPage'
}

# Chinese, Japanese and Korean go last, with the dialog and headline fonts
# replaced by the CJK font: Wine's rich-edit controls do not follow font
# links, so their texts would show boxes otherwise. The other scripts
# (Arabic among them) keep the default fonts, which the CJK font lacks.
others=() cjk=()
IFS=, read -ra languages <<< "${1:-en}"
for language in "${languages[@]}"; do
  case "${language,,}" in
    ja|ko|zh|zh-*) cjk+=("$language") ;;
    *) others+=("$language") ;;
  esac
done
if [ ${#others[@]} -gt 0 ]; then
  shoot "$(IFS=,; echo "${others[*]}")"
fi
if [ ${#cjk[@]} -gt 0 ]; then
  for face in "Tahoma" "Segoe UI"; do
    wine_reg add "$replacements" /v "$face" /d "WenQuanYi Micro Hei" /f
  done
  shoot "$(IFS=,; echo "${cjk[*]}")"
fi
ls "$out"/*.png
