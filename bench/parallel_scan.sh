#!/usr/bin/env bash
# The scan on several threads: wall-clock and CPU time of -j 1, -j 2 and the
# default (every core the process may use) for the bare scan and for
# (position :mate) over masters.pgn; the serial part (the cut and the ordered
# write, measured apart by scan_stages) as a share of the bare scan's CPU;
# and the peak memory of -j 2 over a file of several GB made in /tmp by
# concatenating the dev files. Run it on a quiet machine: wall-clock figures
# mean nothing while others share the cores (the load is printed first).
#
# Usage: bench/parallel_scan.sh [BUILD_DIR]
#   RUNS=N runs of each (best kept; default 3); BIG_GB=G size of the large
#   file (default 4.5; 0 skips it).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
data=${HUX_DATA_DIR:-$root/../shared/data}/dev
runs=${RUNS:-3}
big_gb=${BIG_GB:-4.5}
pgn="$data/masters.pgn"
[ -f "$pgn" ] || { echo "parallel_scan: skipped, $pgn not present"; exit 0; }

work=$(mktemp -d /tmp/hux-bench.XXXXXX)
trap 'rm -rf "$work"' EXIT
echo "(match :pgn $pgn :player nobodyatall)" >"$work/bare.hux"
echo "(match :pgn $pgn :output /dev/null (position :mate))" >"$work/mate.hux"

echo "load: $(uptime)"
echo "cores this process may use: $(nproc)"

# best QUERY JOBS: "wall cpu" in seconds, the best wall of RUNS runs.
best() {
  local best_wall="" best_cpu=""
  for _ in $(seq "$runs"); do
    /usr/bin/time -f "%e %U %S" -o "$work/time" "$build/hux" $2 "$1" >/dev/null
    read -r wall user sys <"$work/time"
    cpu=$(echo "$user + $sys" | bc)
    if [ -z "$best_wall" ] || [ "$(echo "$wall < $best_wall" | bc)" = 1 ]; then
      best_wall=$wall best_cpu=$cpu
    fi
  done
  echo "$best_wall $best_cpu"
}

printf '%-6s %-8s %8s %8s %10s %10s\n' query jobs wall cpu "wall/j1" "cpu/j1"
for q in bare mate; do
  read -r w1 c1 < <(best "$work/$q.hux" "-j 1")
  for jobs in "-j 1" "-j 2" ""; do
    if [ "$jobs" = "-j 1" ]; then w=$w1 c=$c1; else read -r w c < <(best "$work/$q.hux" "$jobs"); fi
    printf '%-6s %-8s %8s %8s %10.3f %10.3f\n' "$q" "${jobs:-default}" "$w" "$c" \
      "$(echo "$w / $w1" | bc -l)" "$(echo "$c / $c1" | bc -l)"
  done
done

# The serial part: its CPU against the single-threaded bare scan's.
"$build/bench/scan_stages" "$work/bare.hux" 2 >"$work/stages"
cut=$(awk '$1 == "cut" {print $2}' "$work/stages")
writer=$(awk '$1 == "writer" {print $2}' "$work/stages")
read -r _ bare_cpu < <(best "$work/bare.hux" "-j 1")
share=$(echo "($cut + $writer) / $bare_cpu" | bc -l)
printf 'serial part: cut %ss + ordered write %ss = %.2f%% of the bare scan (%ss CPU)\n' \
  "$cut" "$writer" "$(echo "$share * 100" | bc -l)" "$bare_cpu"
# Amdahl: with a serial share s, N cores give at most 1 / (s + (1 - s) / N).
printf 'speed-up bound on 32 cores from that share: %.1f\n' \
  "$(echo "1 / ($share + (1 - $share) / 32)" | bc -l)"

if [ "$big_gb" != 0 ]; then
  big="$work/big.pgn"
  target=$(echo "$big_gb * 1024 * 1024 * 1024 / 1" | bc)
  while [ "$(stat -c %s "$big" 2>/dev/null || echo 0)" -lt "$target" ]; do
    cat "$data"/*.pgn >>"$big"
  done
  echo "(match :pgn $big :player nobodyatall)" >"$work/big.hux"
  /usr/bin/time -f "%e %U %S %M" -o "$work/time" "$build/hux" -j 2 "$work/big.hux" >/dev/null
  read -r wall user sys rss <"$work/time"
  printf 'large file: %s bytes, -j 2: wall %ss, cpu %ss, peak RSS %.1f MiB\n' \
    "$(stat -c %s "$big")" "$wall" "$(echo "$user + $sys" | bc)" "$(echo "$rss / 1024" | bc -l)"
fi
