#!/usr/bin/env bash
# What position lists cost: CPU time of hux running each query over
# masters.pgn (matches written to /dev/null) against the bare scan of the same
# file, (match :pgn masters.pgn :player nobodyatall), run alternately so that
# both see the same machine load. Reports the best of RUNS runs of each, the
# ratio, its limit, and the peak memory of the query run.
#
# Usage: bench/query_vs_scan.sh [QUERIES_FILE] [BUILD_DIR]
#   QUERIES_FILE: lines "limit<TAB>position list"; default bench/position_queries.txt
#   RUNS=N in the environment sets the number of runs (default 3).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
queries=${1:-$root/bench/position_queries.txt}
build=$(cd "${2:-$root/build}" && pwd)
data=${HUX_DATA_DIR:-$root/../shared/data}
pgn="$data/dev/masters.pgn"
runs=${RUNS:-3}

if [ ! -f "$pgn" ]; then
  echo "query_vs_scan: skipped, $pgn not present"
  exit 0
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
ln -s "$pgn" "$work/masters.pgn"
echo '(match :pgn masters.pgn :player nobodyatall)' > "$work/scan.hux"

# CPU seconds (user + system) and peak resident kilobytes of one hux run.
measure() {
  (cd "$work" && /usr/bin/time -f "%U %S %M" -o "$work/time.txt" "$build/hux" "$1" > /dev/null)
  awk '{printf "%.3f %d\n", $1 + $2, $3}' "$work/time.txt"
}

status=0
n=0
printf "%-8s %-8s %-6s %-6s %-8s %s\n" scan query ratio limit "peak MB" query
while IFS=$'\t' read -r limit list; do
  [ -z "$limit" ] || [ "${limit:0:1}" = "#" ] && continue
  n=$((n + 1))
  echo "(match :pgn masters.pgn :output /dev/null $list)" > "$work/q$n.hux"
  best_scan="" best_query="" peak=0
  for _ in $(seq "$runs"); do
    read -r s _ < <(measure scan.hux)
    read -r q kb < <(measure "q$n.hux")
    if [ -z "$best_scan" ] || awk "BEGIN{exit !($s < $best_scan)}"; then best_scan=$s; fi
    if [ -z "$best_query" ] || awk "BEGIN{exit !($q < $best_query)}"; then best_query=$q; fi
    [ "$kb" -gt "$peak" ] && peak=$kb
  done
  ratio=$(awk "BEGIN{printf \"%.2f\", $best_query / $best_scan}")
  printf "%-8s %-8s %-6s %-6s %-8s %s\n" "$best_scan" "$best_query" "$ratio" "$limit" \
    "$((peak / 1024))" "$list"
  awk "BEGIN{exit !($ratio <= $limit)}" || status=1
done < "$queries"
exit $status
