#!/usr/bin/env bash
# Does an independent reader find every clock that hux writes back? For each
# tournament file with clock comments, hux copies every game with
# (match :pgn X :output Y), and tests/agreement/clocks.mjs, built on the
# chessops reader, counts in X and in Y the comments that read as clocks and
# the "[%clk ...]" commands written whole. Y must hold as many as X.
# Usage: tests/clock_agreement.sh [path/to/hux] [FILE...]   (not run by ctest)
# Default files: the data's online games and the largest clock file of edge/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
data=${HUX_DATA_DIR:-$root/../shared/data}

hux=$root/build/hux
if [ $# -gt 0 ] && [ -x "$1" ] && [ ! -d "$1" ]; then
  hux=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
  shift
fi
files=("$@")
if [ ${#files[@]} -eq 0 ]; then
  files=("$data/dev/online-lichess.pgn" "$data/edge/shakmaty-pgn-reader/lichess_db_1000k.pgn")
fi
agreement=$root/tests/agreement
. "$agreement/modules.sh"
agreement_modules clock_agreement 2
[ -x "$hux" ] || "$root/scripts/build.sh" release >/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0
for input in "${files[@]}"; do
  if [ ! -f "$input" ]; then
    echo "clock_agreement: no $input: skipped"
    continue
  fi
  ln -sf "$input" "$work/x.pgn"
  echo '(match :pgn x.pgn :output y.pgn)' > "$work/q.hux"
  if ! (cd "$work" && "$hux" q.hux > hux.out 2>&1); then
    echo "clock_agreement: hux failed on $input: $(tail -c 200 "$work/hux.out")" >&2
    exit 1
  fi
  read -r gamesIn clocksIn commandsIn < <(node "$agreement/clocks.mjs" "$input")
  read -r gamesOut clocksOut commandsOut < <(node "$agreement/clocks.mjs" "$work/y.pgn")
  verdict=same
  if [ "$clocksIn" != "$clocksOut" ] || [ "$commandsIn" != "$commandsOut" ]; then
    verdict=DIFFERENT
    status=1
  fi
  printf '%s: games %s/%s, clocks read %s/%s, commands whole %s/%s (input/written): %s\n' \
    "$(basename "$input")" "$gamesIn" "$gamesOut" "$clocksIn" "$clocksOut" "$commandsIn" \
    "$commandsOut" "$verdict"
done
exit $status
