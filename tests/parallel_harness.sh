#!/usr/bin/env bash
# The output must not depend on the number of threads: runs every example
# query, every agreement query and the whole end-to-end suite with -j 1, 2, 3
# and 8 over the dev files, and compares standard output and the output file
# byte for byte with the single-threaded run.
# Usage: tests/parallel_harness.sh [--quick] [BUILD_DIR]
#   --quick   what CI runs: the examples over the sample games and the two
#             small dev files, the agreement queries over classics.pgn only
set -euo pipefail
cd "$(dirname "$0")/.."

quick=0
if [ "${1:-}" = --quick ]; then quick=1; shift; fi
build=${1:-build}
hux=$(realpath "$build/hux")
data=$(realpath ../shared/data/dev 2>/dev/null || true)
if [ -z "$data" ] || [ ! -d "$data" ]; then
  echo "parallel harness skipped: no dev data" && exit 0
fi

work=$(mktemp -d /tmp/hux-parallel.XXXXXX)
trap 'rm -rf "$work"' EXIT
runs=0
failures=0

# compare NAME PGN ITEMS: (match :pgn PGN :output out.pgn ITEMS) with each -j.
compare() {
  local name=$1 pgn=$2 items=$3
  local dir="$work/run"
  rm -rf "$dir" && mkdir -p "$dir"
  printf '(match :pgn %s :output out.pgn %s)\n' "$pgn" "$items" >"$dir/q.hux"
  local status=0
  (cd "$dir" && "$hux" -j 1 q.hux >ref.out 2>ref.err) || status=$?
  [ -f "$dir/out.pgn" ] && mv "$dir/out.pgn" "$dir/ref.pgn" || : >"$dir/ref.pgn"
  for j in 2 3 8; do
    local s=0
    (cd "$dir" && "$hux" -j $j q.hux >j.out 2>j.err) || s=$?
    [ -f "$dir/out.pgn" ] && mv "$dir/out.pgn" "$dir/j.pgn" || : >"$dir/j.pgn"
    runs=$((runs + 1))
    if [ $s != $status ] || ! cmp -s "$dir/ref.out" "$dir/j.out" || ! cmp -s "$dir/ref.err" "$dir/j.err" ||
       ! cmp -s "$dir/ref.pgn" "$dir/j.pgn"; then
      echo "DIFFERENT with -j $j: $name on $(basename "$pgn") (status $status vs $s)"
      failures=$((failures + 1))
    fi
  done
}

# The match form's items of an example: everything after :pgn FILE and any
# :output FILE, comments left out.
example_items() {
  sed -e 's/;.*$//' "$1" | tr '\n' ' ' |
    sed -E -e 's/^[[:space:]]*\(match//' -e 's/:pgn [^ )]+//' -e 's/:output [^ )]+//' -e 's/\)[[:space:]]*$//'
}

if [ $quick = 1 ]; then
  example_files=("$PWD/examples/sample.pgn" "$data/online-lichess.pgn" "$data/repertoire.pgn")
else
  example_files=("$PWD/examples/sample.pgn" "$data"/*.pgn)
fi
for example in examples/*.hux; do
  items=$(example_items "$example")
  for pgn in "${example_files[@]}"; do compare "$(basename "$example")" "$pgn" "$items"; done
done
echo "examples: done"

# The agreement queries, each over its files; quick runs use classics.pgn.
node --input-type=module -e '
  import { readFileSync } from "node:fs";
  const text = readFileSync("tests/agreement/queries.mjs", "utf8");
  const entry = /name: \x27([^\x27]*)\x27,\s*files: \[([^\]]*)\],\s*hux:\s*((?:\x27[^\x27]*\x27\s*\+?\s*)+),/g;
  for (const m of text.matchAll(entry)) {
    const hux = m[3].match(/\x27[^\x27]*\x27/g).map((s) => s.slice(1, -1)).join("");
    const files = m[2].match(/[\w.-]+\.pgn/g);
    console.log([m[1], files.join(","), hux].join("\t"));
  }' >"$work/agreement.tsv"
[ -s "$work/agreement.tsv" ] || { echo "no agreement queries found"; exit 1; }
while IFS=$'\t' read -r name files items; do
  for f in ${files//,/ }; do
    if [ $quick = 1 ] && [ "$f" != classics.pgn ]; then continue; fi
    compare "$name" "$data/$f" "$items"
  done
done <"$work/agreement.tsv"
echo "agreement queries: $(wc -l <"$work/agreement.tsv") done"

# The end-to-end suite, whose expectations are the single thread's output.
for j in 1 2 3 8; do
  if HUX_TEST_JOBS=$j "$build/tests/e2e_tests" --gtest_brief=1 >"$work/e2e.log" 2>&1; then
    runs=$((runs + 1))
  else
    echo "end-to-end suite FAILED with -j $j:"; tail -20 "$work/e2e.log"
    failures=$((failures + 1))
  fi
done
echo "end-to-end suite: done with -j 1, 2, 3, 8"

echo "parallel harness: $runs comparisons, $failures different"
[ $failures = 0 ]
