#!/usr/bin/env bash
# Replays every fuzz target over its corpus, fuzz/corpus/<name>/ for
# fuzz/<name>_fuzz.cpp, once and quickly; fails on any crash or sanitizer
# report. Needs clang; without it, says so and succeeds.
set -euo pipefail
cd "$(dirname "$0")/.."

if ! command -v clang++ >/dev/null 2>&1; then
  echo "fuzz replay skipped: clang++ not found"
  exit 0
fi

CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DHUX_FUZZ=ON -DHUX_SANITIZE=OFF -DHUX_TESTS=OFF -DHUX_BENCH=OFF -DHUX_PELK=OFF >/dev/null
cmake --build build-fuzz -j2 >/dev/null

status=0
for src in fuzz/*_fuzz.cpp; do
  name=$(basename "$src" .cpp)
  corpus="fuzz/corpus/${name%_fuzz}"
  if [ ! -d "$corpus" ]; then
    echo "fuzz replay: $name has no corpus directory $corpus" >&2
    status=1
    continue
  fi
  if UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
     "build-fuzz/fuzz/$name" -runs=0 "$corpus" >"build-fuzz/$name.log" 2>&1; then
    echo "fuzz replay: $name ok ($(ls "$corpus" | wc -l) inputs)"
  else
    echo "fuzz replay: $name FAILED; see build-fuzz/$name.log" >&2
    tail -30 "build-fuzz/$name.log" >&2
    status=1
  fi
done
exit $status
