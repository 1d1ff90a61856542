#!/usr/bin/env bash
# Makes the Windows release: dist/sketchhaven-VERSION-win64.zip and -win32.zip,
# each with sketchhaven.exe, Help.chm, a read-me, the licence and the notices
# of the libraries linked in. Installs and builds whatever is missing.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
"$root/scripts/setup.sh"
mkdir -p dist
for preset in win64 win32; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j2 --target release_zip
  version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "build/$preset/CMakeCache.txt")
  zip="sketchhaven-$version-$preset.zip"
  cp "build/$preset/$zip" dist/
  echo "release: dist/$zip"
done
