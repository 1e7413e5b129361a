#!/usr/bin/env bash
# Agreement of position lists with an independent implementation: every
# query of tests/agreement/queries.mjs is answered by hux and by a JavaScript
# evaluator built on the chessops library, over the games of the data's dev/
# folder, and the sets of matching game numbers must be the same. Prints per
# query both counts and the first differing games with the independent
# side's reason, then a summary. The independent results are cached in
# build/agreement-cache/ (keyed by query, file and evaluator sources).
#
# Usage: tests/position_agreement.sh [path/to/hux] [options] [QUERY...]
#   --reader  also compare, game by game, the positions hux reads
#   --show N  list at most N differing games per query (default 10)
#   --independent-only  run no hux, print the independent counts
# (not run by ctest). Exit status 1 when any query differs or hux fails,
# 2 when the evaluator cannot run.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
data=${HUX_DATA_DIR:-$root/../shared/data}/dev

hux=$root/build/hux
if [ $# -gt 0 ] && [ "${1#-}" = "$1" ] && { [ -e "$1" ] || [[ "$1" == */* ]]; }; then
  if [ ! -x "$1" ] || [ -d "$1" ]; then
    echo "position_agreement: $1 is not an executable hux" >&2
    exit 2
  fi
  hux=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
  shift
fi

if ! ls "$data"/*.pgn >/dev/null 2>&1; then
  echo "position_agreement: no PGN files in $data: skipped"
  exit 0
fi
agreement=$root/tests/agreement
. "$agreement/modules.sh"
agreement_modules position_agreement 2
if [ ! -x "$hux" ] && [[ " $* " != *" --independent-only "* ]]; then
  "$root/scripts/build.sh" release >/dev/null
fi
# The evaluator's own checks first: a fault there would show as differences.
mkdir -p "$root/build"
node --test "$agreement/" >"$root/build/agreement-selftest.log" 2>&1 || {
  cat "$root/build/agreement-selftest.log"
  echo "position_agreement: the independent evaluator fails its own tests" >&2
  exit 2
}

exec node "$agreement/agree.mjs" --hux "$hux" --data "$data" --cache "$root/build/agreement-cache" "$@"
