#!/usr/bin/env bash
# Installs and builds what is missing, then runs Sketchhaven in its own program
# folder run/ (kept between runs with its set.ini; put the painter or applet
# files there; SKETCHHAVEN_RUN_FOLDER names another) and stays with it until
# it ends. With a display it runs the Windows program under Wine, without one
# the native program, which writes the drawing page at once and sends the
# browser there. Ctrl+C ends it the way its own exit does: settings written,
# temporary files removed.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
"$root/scripts/setup.sh"

folder="${SKETCHHAVEN_RUN_FOLDER:-$root/run}"
mkdir -p "$folder"
if [ -n "${DISPLAY:-}" ]; then
  kind="the Windows program (sketchhaven.exe under Wine)"
  preset=win64
  files=(build/win64/sketchhaven.exe build/win64/Help.chm)
  start=("$root/scripts/wine-run" "$folder/sketchhaven.exe")
  targets=(sketchhaven help_chm)
  page_note=" (written when 「お絵描き」 is pressed)"
else
  kind="the native program (no display: the program without windows)"
  preset=native
  files=(build/native/sketchhaven)
  start=("$folder/sketchhaven" -r)
  targets=(sketchhaven)
  page_note=""
fi
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" -j2 --target "${targets[@]}" >/dev/null
cp -p "${files[@]}" "$folder/"

# The program takes the port of set.ini, else the first free of the fallbacks.
port_of_settings() {
  local port
  port=$(sed -n '/^\[Setting\]/,/^\[/{s/^Port=\([0-9]*\).*/\1/p}' "$folder/set.ini" 2>/dev/null | head -1)
  echo "${port:-80}"
}
listening() { (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null; }
candidates=("$(port_of_settings)" 80 8010 8011 8012)
taken=()
for p in "${candidates[@]}"; do listening "$p" && taken+=("$p"); done

# Wine's prefix (build/wine) is made on first use, before the program starts.
if [ "$preset" = win64 ] && ! "$root/scripts/wine-run" cmd /c exit 0 >/dev/null 2>&1; then
  echo "Wine does not start"
  exit 1
fi

# Its own session, so that Ctrl+C reaches only this script, which then asks
# the program to end.
setsid "${start[@]}" </dev/null &
pid=$!
stop() {
  trap '' INT TERM
  echo
  echo "stopping Sketchhaven"
  if [ "$preset" = win64 ]; then
    "$root/scripts/wine-run" taskkill /im sketchhaven.exe >/dev/null 2>&1 || true
  else
    kill -INT "$pid" 2>/dev/null || true
  fi
  for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.2; done
  kill "$pid" 2>/dev/null || true
}
trap stop INT TERM

bound=
for _ in $(seq 1500); do
  kill -0 "$pid" 2>/dev/null || break
  for p in "${candidates[@]}"; do
    [[ " ${taken[*]} " == *" $p "* ]] && continue
    if listening "$p"; then bound=$p; break 2; fi
  done
  sleep 0.2
done
echo "started: $kind"
echo "folder:  $folder"
if [ -n "$bound" ]; then
  address="http://localhost/draw.html"
  [ "$bound" = 80 ] || address="http://localhost:$bound/draw.html"
  echo "drawing: $address$page_note"
else
  echo "drawing: the program is not listening (see its message)"
fi
echo "The built-in painter draws; for PaintBBS NEO (neo.js, neo.css) or an applet, put its files into $folder."
echo "Ctrl+C ends the program."
set +e
wait "$pid"
status=$?
# A wait cut short by Ctrl+C returns at once; the program's own status comes
# after the trap has seen it end.
((status > 128)) && { wait "$pid"; status=$?; }
echo "Sketchhaven ended (exit status $status)"
exit "$status"
