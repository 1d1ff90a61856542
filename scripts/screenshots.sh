#!/usr/bin/env bash
# Pictures of the main window and every dialog under Wine with visual styles
# (Wine's own "light" theme), at 96 DPI into docs/screenshots and at 144 DPI
# into docs/screenshots/144dpi, by build/win64/tests/win32/ui_screenshots.exe.
# Each density gets a fresh Wine prefix of its own. The name painter is the
# built-in painter's drawing page, through the native program in headless
# Chromium (tests/e2e/painter_screenshots.py), at the same two densities.
# Usage: scripts/screenshots.sh [name...] (default: every window and painter)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
shooter="$root/build/win64/tests/win32/ui_screenshots.exe"
program="$root/build/native/sketchhaven"
if [ -z "${DISPLAY:-}" ]; then exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"; fi

shoot() {  # dpi folder
  local prefix reg
  prefix=$(mktemp -d /tmp/sh-shots.XXXXXX)
  export WINEPREFIX=$prefix
  "$root/scripts/wine-prefix" "$prefix"
  reg=$(mktemp --suffix=.reg)
  printf '%s\r\n' 'Windows Registry Editor Version 5.00' '' \
    '[HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\ThemeManager]' \
    '"ThemeActive"="1"' \
    '"DllName"="C:\\windows\\resources\\themes\\light\\light.msstyles"' \
    '"ColorName"="NormalColor"' '"SizeName"="NormalSize"' '' \
    '[HKEY_CURRENT_USER\Control Panel\Desktop]' "\"LogPixels\"=dword:$(printf '%08x' "$1")" '' \
    '[HKEY_LOCAL_MACHINE\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts]' \
    "\"LogPixels\"=dword:$(printf '%08x' "$1")" | iconv -f UTF-8 -t UTF-16 > "$reg"
  "$root/scripts/wine-run" regedit /S "Z:${reg//\//\\}" >/dev/null 2>&1
  /usr/lib/wine/wineserver -w
  rm -f "$reg"
  mkdir -p "$2"
  # One window per run, each tried again until it reaches the screen: under
  # load a window of Wine's can stay off the X screen for good.
  local name try
  for name in "${names[@]}"; do
    for try in 1 2 3 4 5; do
      "$root/scripts/wine-run" "$shooter" "Z:${2//\//\\}" "$name" && break
      echo "$name: try $try did not reach the screen"
    done
  done
  /usr/lib/wine/wineserver -k || true
  rm -rf "$prefix"
}

wanted=("$@")
((${#wanted[@]})) || wanted=(main_window save about browser design playback preset_editor jpeg_preview thumbnail painter)
names=()
painter=0
for name in "${wanted[@]}"; do
  if [ "$name" = painter ]; then painter=1; else names+=("$name"); fi
done
if ((painter)); then
  [ -x "$program" ] || { echo "build the native preset first"; exit 1; }
  python3 "$root/tests/e2e/painter_screenshots.py" "$program" "$root/docs/screenshots" "$root/docs/screenshots/144dpi"
fi
if ((${#names[@]})); then
  [ -f "$shooter" ] || { echo "build the win64 preset first"; exit 1; }
  shoot 96 "$root/docs/screenshots"
  shoot 144 "$root/docs/screenshots/144dpi"
fi
