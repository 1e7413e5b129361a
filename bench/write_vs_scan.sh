#!/usr/bin/env bash
# What writing costs: hux writing every game of masters.pgn to a file,
#   (match :pgn masters.pgn :output out.pgn)
# against the same scan writing nothing,
#   (match :pgn masters.pgn :player zzzznomatch)
# The write may take at most 2.5 times as long. Uses hyperfine when present,
# else the best of three runs timed by the shell. When this hux does not write
# games yet, bench/pgn_rewrite times reading plus writing against reading.
#
# Usage: bench/write_vs_scan.sh [BUILD_DIR]   (default: build)
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
data=${HUX_DATA_DIR:-$root/../shared/data}
pgn="$data/dev/masters.pgn"
limit=2.5

if [ ! -f "$pgn" ]; then
  echo "write_vs_scan: skipped, $pgn not present"
  exit 0
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
out="$work/out.pgn"

# Query words have no quoting: hux runs in the work directory on links with
# plain names. Does this hux write matching games? Try it on the sample games.
ln -s "$pgn" "$work/masters.pgn"
ln -s "$root/examples/sample.pgn" "$work/sample.pgn"
echo '(match :pgn sample.pgn :output probe.pgn)' > "$work/probe.hux"
if (cd "$work" && "$build/hux" probe.hux > /dev/null 2>&1) && grep -q '^\[Event ' "$work/probe.pgn"; then
  echo '(match :pgn masters.pgn :output out.pgn)' > "$work/write.hux"
  echo '(match :pgn masters.pgn :player zzzznomatch)' > "$work/scan.hux"
  write_cmd="cd $work && $build/hux write.hux"
  scan_cmd="cd $work && $build/hux scan.hux"
else
  echo "hux does not write games yet: timing bench/pgn_rewrite instead"
  write_cmd="$build/bench/pgn_rewrite $pgn $out"
  scan_cmd="$build/bench/pgn_rewrite --read-only $pgn"
fi

if command -v hyperfine > /dev/null; then
  hyperfine --warmup 1 --runs 5 --export-json "$work/times.json" \
    -n scan "$scan_cmd > /dev/null 2>&1" -n write "$write_cmd > /dev/null 2>&1"
  read -r scan write < <(python3 -c '
import json, sys
r = {x["command"]: x for x in json.load(open(sys.argv[1]))["results"]}
print(r["scan"]["mean"], r["write"]["mean"])' "$work/times.json")
else
  best() {
    local best=""
    for _ in 1 2 3; do
      local t
      t=$( { TIMEFORMAT=%R; time sh -c "$1 > /dev/null 2>&1"; } 2>&1)
      if [ -z "$best" ] || awk "BEGIN{exit !($t < $best)}"; then best=$t; fi
    done
    echo "$best"
  }
  scan=$(best "$scan_cmd")
  write=$(best "$write_cmd")
fi

ratio=$(awk "BEGIN{printf \"%.2f\", $write / $scan}")
echo "scan ${scan}s, write ${write}s, ratio $ratio (limit $limit); output $(wc -c < "$out") bytes"
awk "BEGIN{exit !($ratio <= $limit)}"
