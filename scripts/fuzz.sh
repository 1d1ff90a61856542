#!/usr/bin/env bash
# Builds the libFuzzer targets with clang, AddressSanitizer and UBSan in
# build/fuzz and runs each for the given number of seconds (default 20),
# starting from its seed corpus in tests/fuzz/corpus/<target>. Crash inputs
# land in build/fuzz/crashes; keep each as a regression file.
# Usage: scripts/fuzz.sh [seconds] [target...]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-20}
shift || true
build="$root/build/fuzz"
flags="-fsanitize=address,undefined -fsanitize=fuzzer-no-link -fno-omit-frame-pointer -fno-sanitize-recover=undefined"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags" \
  -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" \
  -DSKETCHHAVEN_FUZZ=ON -DSKETCHHAVEN_AREAS="${SKETCHHAVEN_AREAS:-image;server;pages;save}" >/dev/null
cmake --build "$build" -j2 >/dev/null
targets=("$@")
if ((${#targets[@]} == 0)); then
  for t in "$build"/tests/fuzz/fuzz_*; do [ -x "$t" ] && targets+=("$(basename "$t")"); done
fi
mkdir -p "$build/crashes"
# The targets' scratch files live here and go at the end.
export TMPDIR="$build/tmp"
mkdir -p "$TMPDIR"
trap 'rm -rf "$TMPDIR"' EXIT
status=0
for t in "${targets[@]}"; do
  corpus="$build/corpus/$t"
  mkdir -p "$corpus"
  seeds="$root/tests/fuzz/corpus/$t"
  [ -d "$seeds" ] && cp -n "$seeds"/* "$corpus"/ 2>/dev/null || true
  echo "== $t for ${seconds}s"
  if ! "$build/tests/fuzz/$t" -max_total_time="$seconds" -max_len=65536 -rss_limit_mb=2048 \
      -artifact_prefix="$build/crashes/$t-" "$corpus" 2>"$build/$t.log"; then
    status=1
    echo "$t: failure, see $build/$t.log"
  fi
  grep -E '^(#[0-9]+\s+DONE|Done [0-9]+ runs)' "$build/$t.log" | tail -1 || true
done
exit $status
