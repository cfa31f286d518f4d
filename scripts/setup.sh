#!/usr/bin/env bash
# Installs everything the build, the tests and the demo need, makes the Wine
# prefix the tests run in and fetches the LZMA SDK sources into the cache.
# Idempotent: a second run only checks.
set -euo pipefail

repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cache="${TARVO_CACHE:-$repo/.cache}"
prefix="${TARVO_WINEPREFIX:-$cache/wineprefix}"
sudo=""
[ "$(id -u)" = 0 ] || sudo="sudo"

packages=(
  cmake ninja-build python3 dpkg-dev
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix mingw-w64-tools
  wine64 xvfb xauth p7zip-full
  nlohmann-json3-dev googletest libz-mingw-w64-dev python3-avro
  osslsigncode openssl procps
  fonts-dejavu-core fonts-wqy-microhei
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# LZMA SDK C sources from Debian's 7zip source package (never committed).
lzma_dir="$cache/lzma"
if [ ! -f "$lzma_dir/C/7zDec.c" ]; then
  src_list=/etc/apt/sources.list.d/tarvo-deb-src.sources
  if ! grep -rqs '^Types:.*deb-src\|^deb-src' /etc/apt/sources.list /etc/apt/sources.list.d/; then
    uris=$(grep -h '^URIs:' /etc/apt/sources.list.d/debian.sources 2>/dev/null | head -n1 | awk '{print $2}')
    [ -n "$uris" ] || uris=http://deb.debian.org/debian
    suite=$(. /etc/os-release && echo "$VERSION_CODENAME")
    printf 'Types: deb-src\nURIs: %s\nSuites: %s %s-updates\nComponents: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n' \
      "$uris" "$suite" "$suite" | $sudo tee "$src_list" >/dev/null
    $sudo apt-get update -qq
  fi
  work="$cache/7zip-src"
  rm -rf "$work" && mkdir -p "$work"
  (cd "$work" && apt-get source -qq 7zip >/dev/null 2>&1)
  sdk=$(find "$work" -maxdepth 2 -type d -name C -path '*7zip*' | head -n1)
  [ -n "$sdk" ] && [ -f "$sdk/7zDec.c" ] || { echo "setup: 7zip sources not found" >&2; exit 1; }
  rm -rf "$lzma_dir" && mkdir -p "$lzma_dir"
  cp -r "$sdk" "$lzma_dir/C"
  rm -rf "$work"
fi

# The Wine prefix the tests and the demo use.
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
if [ ! -f "$prefix/.tarvo-ready" ]; then
  echo "setup: making the Wine prefix $prefix"
  mkdir -p "$prefix"
  /usr/lib/wine/wine64 wineboot -i >/dev/null 2>&1
  /usr/lib/wine/wineserver -w
  /usr/lib/wine/wine64 reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' \
    /v Debugger /t REG_SZ /d '' /f >/dev/null 2>&1
  /usr/lib/wine/wine64 reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
  /usr/lib/wine/wine64 winecfg -v win10 >/dev/null 2>&1
  /usr/lib/wine/wineserver -w
  touch "$prefix/.tarvo-ready"
fi

# Chinese, Japanese and Korean text in the installer's window (the options
# page lists every language in its own script): Wine has no font linking to
# a CJK font by itself. Its dialog font falls back to DejaVu Sans, which
# gets WenQuanYi Micro Hei (fontconfig makes both visible to Wine) as the
# link for the characters it lacks.
if [ ! -f "$prefix/.tarvo-fonts" ]; then
  for face in "DejaVu Sans" "DejaVu Sans Bold"; do
    /usr/lib/wine/wine64 reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' \
      /v "$face" /t REG_MULTI_SZ /d 'wqy-microhei.ttc,WenQuanYi Micro Hei' /f >/dev/null 2>&1
  done
  # Saved once the server ends; one kept alive by a running test display
  # (scripts/test_env.sh) holds it in memory meanwhile.
  timeout 30 /usr/lib/wine/wineserver -w || true
  touch "$prefix/.tarvo-fonts"
fi
