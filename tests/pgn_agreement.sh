#!/usr/bin/env bash
# Agreement of the PGN reader with an independent one: for every file of the
# development corpus, the number of main-line plies hux replays in each game
# is compared with what pgn-extract replays. The two readers do not split a
# file into the same games (pgn-extract drops some, and takes move text
# without tags as a game), so games are paired by Event, Round and their
# first eight moves, aligned in file order with diff. Prints a summary per
# file and every unpaired game and every pair whose counts differ.
# Usage: tests/pgn_agreement.sh [pgn_plies binary]   (not run by ctest)
set -euo pipefail
cd "$(dirname "$0")/.."

extract=$(command -v pgn-extract || true)
[ -z "$extract" ] && [ -x /usr/games/pgn-extract ] && extract=/usr/games/pgn-extract
if [ -z "$extract" ]; then
  echo "pgn-extract is not installed (scripts/deps.sh dev): skipped"
  exit 0
fi
data=${HUX_DATA_DIR:-../shared/data}/dev
if ! ls "$data"/*.pgn >/dev/null 2>&1; then
  echo "no PGN files in $data: skipped"
  exit 0
fi
plies=${1:-build/bench/pgn_plies}
if [ ! -x "$plies" ]; then
  cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DHUX_BENCH=ON >/dev/null
  cmake --build build --target pgn_plies -j2 >/dev/null
fi

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# pgn-extract's output (long algebraic, main line only, no comments, NAGs,
# move numbers or results) to lines "plies<TAB>Event|Round|first moves".
extract_keys() {
  awk '
    function flush() {
      if (!inGame) return
      printf "%d\t%s|%s|%s\n", n, event, round, first
      inGame = 0
    }
    /^\[/ {
      if (inMoves) { flush(); inMoves = 0 }
      inGame = 1
      name = substr($1, 2)
      value = $0
      sub(/^[^"]*"/, "", value)
      sub(/"[^"]*$/, "", value)
      gsub(/\\"/, "\"", value)
      gsub(/\\\\/, "\\", value)
      if (name == "Event") event = value
      if (name == "Round") round = value
      if (!started) { n = 0; first = ""; started = 1 }
      next
    }
    {
      if (!inGame) next
      started = 0
      inMoves = 1
      for (i = 1; i <= NF; i++) {
        # A game without moves still gets its result.
        if ($i == "1-0" || $i == "0-1" || $i == "1/2-1/2" || $i == "*") continue
        if (n < 8) first = first (n > 0 ? " " : "") substr($i, 1, 4)
        n++
      }
    }
    END { flush() }
  ' "$1"
}

status=0
for f in "$data"/*.pgn; do
  name=$(basename "$f")
  "$plies" --keys "$f" >"$tmp/hux.txt"
  "$extract" -s --keepbroken -Wlalg -V -C -N --nomovenumbers --noresults \
    --quiet -l "$tmp/extract.log" -o "$tmp/extract.pgn" "$f"
  extract_keys "$tmp/extract.pgn" >"$tmp/extract.txt"
  cut -f2- "$tmp/hux.txt" >"$tmp/hux.keys"
  cut -f2- "$tmp/extract.txt" >"$tmp/extract.keys"

  # One line per aligned step: "=" both, "<" hux only, ">" pgn-extract only.
  diff --unchanged-line-format='=%c'\''\012'\' --old-line-format='<%c'\''\012'\' \
    --new-line-format='>%c'\''\012'\' "$tmp/hux.keys" "$tmp/extract.keys" >"$tmp/align.txt" || true

  awk -v name="$name" -v huxfile="$tmp/hux.txt" -v pefile="$tmp/extract.txt" '
    BEGIN {
      while ((getline line < huxfile) > 0) { split(line, a, "[ \t]"); hn[++h] = a[1]; hp[h] = a[2] }
      while ((getline line < pefile) > 0) { split(line, a, "\t"); pp[++p] = a[1]; pk[p] = a[2] }
    }
    {
      if ($0 == "=") {
        i++; j++; paired++
        if (hp[i] == pp[j]) same++
        else { differ++; diffs = diffs sprintf("  game %d: hux %d plies, pgn-extract %d\n", hn[i], hp[i], pp[j]) }
      } else if ($0 == "<") {
        i++; huxOnly++; hux1 = hux1 sprintf("  game %d (%d plies) only in hux\n", hn[i], hp[i])
      } else {
        j++; peOnly++; pe1 = pe1 sprintf("  pgn-extract game %d (%d plies) unpaired: %s\n", j, pp[j], pk[j])
      }
    }
    END {
      printf "%s: hux %d games, pgn-extract %d; paired %d, same plies %d, different %d; hux only %d, pgn-extract only %d\n",
        name, h, p, paired, same, differ, huxOnly, peOnly
      printf "%s%s%s", diffs, hux1, pe1
      exit (differ > 0)
    }
  ' "$tmp/align.txt" || status=1
done
exit $status
