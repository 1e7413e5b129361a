#!/usr/bin/env bash
# Byte-for-byte comparison of two hux builds: the example queries, the
# agreement queries and the benchmark queries, each run by both binaries over
# every PGN file of the data's dev/ folder and over damaged copies of one of
# them (moves dropped, disambiguation removed or added, castling and
# promotions garbled), so that the reader's error paths run too. The matching
# games' file, standard output and standard error must be the same. Made for
# speed work on the reader and the walk, which must change no answer.
#
# Usage: tests/before_after.sh BEFORE_HUX AFTER_HUX [FILTER]
#   FILTER: a regular expression; only queries whose text matches it run.
#   HUX_DATA_DIR overrides the data folder (default ../shared/data).
# Prints one line per difference and a summary; exit status 1 on any
# difference, 2 when something needed is missing.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
data=${HUX_DATA_DIR:-$root/../shared/data}/dev
[ $# -ge 2 ] || { sed -n '2,14p' "$0" >&2; exit 2; }
before=$(realpath "$1")
after=$(realpath "$2")
filter=${3:-}
for bin in "$before" "$after"; do
  [ -x "$bin" ] || { echo "before_after: $bin is not executable" >&2; exit 2; }
done
ls "$data"/*.pgn >/dev/null 2>&1 || { echo "before_after: no PGN files in $data" >&2; exit 2; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/in"
for f in "$data"/*.pgn; do ln -s "$f" "$work/in/$(basename "$f")"; done
cp "$root/examples/sample.pgn" "$work/in/sample.pgn"

# Damaged inputs: every few lines one move loses its disambiguation, gains
# one, is dropped, or has its castling or promotion garbled; the reader must
# log and recover from each exactly as before.
awk 'NR % 7 == 0 && !/^\[/ { sub(/ [NBRQ][a-h][a-h][1-8]/, " N&"); sub(/ N N/, " N") }
     NR % 11 == 0 && !/^\[/ { sub(/ [a-h][1-8] /, " ") }
     NR % 13 == 0 && !/^\[/ { sub(/ N([a-h])?x?[a-h][1-8]/, " Nb1") }
     NR % 17 == 0 && !/^\[/ { sub(/O-O/, "O-O-O"); sub(/=Q/, "=K") }
     NR % 19 == 0 && !/^\[/ { sub(/ R([a-h1-8])x?([a-h][1-8])/, " Rx&") }
     { print }' "$data/classics.pgn" >"$work/in/damaged.pgn"
# Disambiguation removed from every piece move that has one: ambiguous moves.
sed -E 's/([NBRQ])[a-h1-8](x?[a-h][1-8])/\1\2/g' "$data/repertoire.pgn" >"$work/in/ambiguous.pgn"
files=("$work"/in/*.pgn)

# The queries: the match-form items, one per line.
queries=$work/queries.txt
{
  echo ""  # every game, rewritten
  echo "(position :variations)"
  grep -o "hux: '[^']*'" "$root/tests/agreement/queries.mjs" | sed "s/^hux: '//; s/'\$//"
  # The one entry written over two lines.
  echo "(position :mate :and ((position :not Q) (position :not q)) :or ((position :wtm :piececount n 1 2) (position :btm :piececount N 1 2)))"
  cat "$root"/bench/*_queries.txt | grep -v '^#' | cut -f2- | grep -v '^$'
} | sort -u >"$queries"

n=0 differences=0
# Runs one query file with both binaries in the same folder and compares
# everything they leave.
compare() {
  local label=$1 query=$2 out=$3
  local side
  for side in before after; do
    rm -f "$work/in/$out"
    (cd "$work/in" && "${!side}" -j 1 "$query" >"$work/$side.stdout" 2>"$work/$side.stderr")
    echo "status $?" >>"$work/$side.stdout"
    if [ -e "$work/in/$out" ]; then mv "$work/in/$out" "$work/$side.out"; else : >"$work/$side.out"; fi
  done
  n=$((n + 1))
  local what
  for what in out stdout stderr; do
    if ! cmp -s "$work/before.$what" "$work/after.$what"; then
      differences=$((differences + 1))
      echo "DIFFERENT $what: $label"
      diff "$work/before.$what" "$work/after.$what" | head -5
    fi
  done
}

for f in "${files[@]}"; do
  name=$(basename "$f")
  while IFS= read -r items; do
    [ -n "$filter" ] && ! grep -Eq -- "$filter" <<<"$items" && continue
    echo "(match :pgn $name :output result.pgn $items)" >"$work/in/q.hux"
    compare "$name: $items" q.hux result.pgn
  done <"$queries"
  # The examples as written, their games replaced by this file's.
  for ex in "$root"/examples/*.hux; do
    [ -n "$filter" ] && ! grep -Eq -- "$filter" "$ex" && continue
    sed "s/sample\.pgn/$name/" "$ex" >"$work/in/ex.hux"
    out=$(grep -o ':output [^ )]*' "$work/in/ex.hux" | head -1 | cut -d' ' -f2)
    compare "$name: $(basename "$ex")" ex.hux "$out"
  done
done

echo "before_after: $n runs over ${#files[@]} files, $differences differences"
[ "$differences" -eq 0 ]
