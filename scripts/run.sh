#!/usr/bin/env bash
# Builds Sketchhaven for Linux and Windows and runs it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
"$root/scripts/setup.sh"
for preset in native win64 win32; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
done
echo "built: build/native, build/win64 and build/win32"
ls build/native/sketchhaven build/win64/sketchhaven.exe build/win32/sketchhaven.exe 2>/dev/null || true
