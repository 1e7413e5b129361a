#!/usr/bin/env bash
# The README's quick start as a new user meets it: a fresh clone of the
# committed HEAD in a temporary folder, command (a) scripts/example.sh, then
# command (b) scripts/test.sh. Fails when (a) fails or builds the tests, or when
# (b) fails or runs fewer tests than its build defines.
# Usage: tests/setup_check.sh   (run by .ci/run, not by ctest: one more full build)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

fail() {
  echo "setup check FAILED: $1" >&2
  if [ -n "${2:-}" ]; then
    echo "--- last lines of $(basename "$2"):" >&2
    tail -40 "$2" >&2
  fi
  exit 1
}

# Only what is committed reaches a new user, so the clone takes HEAD, not the
# working tree. It has no shared data beside it: those tests skip, and still
# count as run (a new user's machine is no CI run, where a test without its
# data fails).
clone=$work/hux
git clone -q --no-checkout "$root" "$clone"
git -C "$clone" checkout -q --detach "$(git -C "$root" rev-parse HEAD)"

example_log=$work/example.log
(cd "$clone" && env -u CI -u HUX_DATA_DIR scripts/example.sh) >"$example_log" 2>&1 ||
  fail "command (a) scripts/example.sh exited with an error" "$example_log"
[ -s "$clone/examples/example-out.pgn" ] ||
  fail "command (a) wrote no examples/example-out.pgn" "$example_log"
# Command (a) must stay quick: the program only, no tests or benchmarks.
extra=$(find "$clone/build" \( -path "$clone/build/tests/*" -o -path "$clone/build/bench/*" \) \
  -type f -perm -u+x | head -3)
[ -z "$extra" ] || fail "command (a) built more than hux: $extra"

test_log=$work/test.log
(cd "$clone" && env -u CI -u HUX_DATA_DIR scripts/test.sh) >"$test_log" 2>&1 ||
  fail "command (b) scripts/test.sh exited with an error" "$test_log"

defined=$(ctest --test-dir "$clone/build" -N | sed -n 's/^Total Tests: \([0-9][0-9]*\)$/\1/p')
ran=$(sed -n 's/.* tests failed out of \([0-9][0-9]*\)$/\1/p' "$test_log" | tail -1)
[ -n "$defined" ] && [ "$defined" -gt 0 ] ||
  fail "after command (b) the build defines no tests" "$test_log"
[ -n "$ran" ] || fail "command (b) reported no test run" "$test_log"
[ "$ran" -eq "$defined" ] ||
  fail "command (b) ran $ran tests, the build defines $defined" "$test_log"

echo "setup check: a fresh clone's (a) then (b) ran all $defined tests the build defines"
