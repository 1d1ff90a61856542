#!/usr/bin/env bash
# Runs every test: native, the Windows x64 build under Wine, and a compile and
# link of the Windows x86 build. Installs and builds whatever is missing. The
# closing line counts the tests, each build, the run script's check and the
# fuzz run.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
"$root/scripts/setup.sh" || exit 1

status=0
passed=0
failed=0
count() {  # reads ctest's summary line from a log
  local line
  line=$(grep -E '[0-9]+% tests passed' "$1" | tail -1)
  if [ -n "$line" ]; then
    local total bad
    total=$(sed -E 's/.* out of ([0-9]+).*/\1/' <<<"$line")
    bad=$(sed -E 's/.*, ([0-9]+) tests? failed.*/\1/' <<<"$line")
    passed=$((passed + total - bad))
    failed=$((failed + bad))
  else
    echo "no test summary in $1"
    failed=$((failed + 1))
  fi
}

# A build, the run script's check and the brief fuzz run count as one check
# each in the closing line.
check_passed() { passed=$((passed + 1)); }
check_failed() { echo "$1"; failed=$((failed + 1)); status=1; }

build() {  # preset
  if cmake --preset "$1" >/dev/null && cmake --build --preset "$1"; then
    check_passed
  else
    check_failed "build $1 failed"
    return 1
  fi
}

echo "== native"
if build native; then
  ctest --test-dir build/native --output-on-failure -j2 --timeout 600 2>&1 | tee build/native-tests.log
  [ "${PIPESTATUS[0]}" -eq 0 ] || status=1
  count build/native-tests.log
fi

echo "== scripts/run.sh in an empty program folder"
if python3 tests/e2e/run_script_test.py; then check_passed; else check_failed "scripts/run.sh does not draw"; fi

echo "== fuzz targets, briefly"
if "$root/scripts/fuzz.sh" 5; then check_passed; else check_failed "fuzzing found a failure"; fi

echo "== win64 under Wine"
if build win64; then
  export WINEPREFIX
  WINEPREFIX=$(mktemp -d /tmp/sh-wine.XXXXXX)
  xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
    "$0/scripts/wine-prefix" "$WINEPREFIX" &&
    ctest --test-dir "$0/build/win64" --output-on-failure --timeout 900 2>&1 | tee "$0/build/win64-tests.log"
    rc=${PIPESTATUS[0]}; /usr/lib/wine/wineserver -k 2>/dev/null; exit $rc' "$root" || status=1
  count build/win64-tests.log
  rm -rf "$WINEPREFIX"
fi

echo "== win32 compile and link"
build win32

echo "$passed passed, $failed failed"
exit $status
