#!/usr/bin/env bash
# The independent agreement checks on a subset that CI can afford (about ten
# minutes on two cores): the position lists of tests/agreement/queries.mjs
# (the examples' claims also on their sample games), the PGN reader and the
# writer, over classics.pgn and the first games of masters.pgn (kept under
# its own name, which the query table knows). The subset is built at run
# time in BUILD_DIR/agreement-subset/ and handed to each script as its data
# directory. Fails when any check fails.
# Usage: tests/agreement_subset.sh [BUILD_DIR]   (default: build)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
data=${HUX_DATA_DIR:-$root/../shared/data}
# Games of masters.pgn in the slice.
slice_games=${HUX_AGREEMENT_GAMES:-3000}

for f in classics.pgn masters.pgn; do
  if [ ! -f "$data/dev/$f" ]; then
    echo "agreement_subset: missing $data/dev/$f" >&2
    exit 1
  fi
done
subset=$build/agreement-subset
rm -rf "$subset"
mkdir -p "$subset/dev"
ln -s "$data/dev/classics.pgn" "$subset/dev/classics.pgn"
# Cut before the tag section of game slice_games + 1.
awk -v n="$slice_games" '/^\[Event / && !inTags { if (++games > n) exit } { inTags = /^\[/ } { print }' \
  "$data/dev/masters.pgn" > "$subset/dev/masters.pgn"

status=0
export HUX_DATA_DIR=$subset
echo "== position lists"
"$root/tests/position_agreement.sh" "$build/hux" --show 3 || status=1
echo "== PGN reader"
"$root/tests/pgn_agreement.sh" "$build/bench/pgn_plies" | tail -5 || status=1
echo "== writer"
"$root/tests/writer_agreement.sh" "$build" || status=1
exit $status
