#!/usr/bin/env bash
# The README's recipe for many files: GNU parallel runs one query over three
# compressed game files with --pgn and --output; each result must be the one
# a single run over that file gives, game numbers included.
# Usage: tests/input/parallel_recipe_test.sh HUX EXAMPLES_DIR DATA_DIR
set -uo pipefail
export LC_ALL=C

hux=$(realpath "$1")
examples=$(realpath "$2")
data=$(realpath -m "$3")
for tool in parallel zstd; do
  command -v $tool >/dev/null || { echo "$tool is not installed (scripts/deps.sh test): skipped"; exit 77; }
done
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
cd "$tmp"
mkdir games

zstd -q -c "$examples/sample.pgn" > games/sample.pgn.zst
if [ -f "$data/dev/classics.pgn" ]; then
  awk '/^\[Event /{n++} n<=400' "$data/dev/classics.pgn" | zstd -q -c > games/first.pgn.zst
  awk '/^\[Event /{n++} n>400 && n<=900' "$data/dev/classics.pgn" | zstd -q -c > games/second.pgn.zst
else
  for name in first second; do cp games/sample.pgn.zst games/$name.pgn.zst; done
fi
echo '(match :pgn none.pgn (position :mate))' > query.hux

status=0
parallel --will-cite -j 3 "$hux" -j 1 --pgn {} --output {/.}-found.pgn query.hux ::: games/*.pgn.zst \
  > parallel.txt 2>&1 || { echo "FAIL: parallel run: status $?"; cat parallel.txt; status=1; }
for f in games/*.pgn.zst; do
  name=$(basename "$f" .zst)
  "$hux" -j 1 --pgn "$f" --output "single-$name" query.hux > /dev/null ||
    { echo "FAIL: single run over $f"; status=1; }
  [ -s "single-$name" ] || { echo "FAIL: $f: no game found"; status=1; }
  cmp -s "$name-found.pgn" "single-$name" || { echo "FAIL: $f: the parallel run's result differs"; status=1; }
done
[ $status = 0 ] && echo "GNU parallel recipe: the same results as single runs"
exit $status
