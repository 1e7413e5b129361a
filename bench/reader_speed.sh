#!/usr/bin/env bash
# What reading and replaying cost, for one hux build or two side by side
# (before and after a change), on masters.pgn with one thread:
#   - the bare scan, (match :pgn masters.pgn :player nobodyatall): CPU seconds
#     and nanoseconds of CPU per ply replayed;
#   - four position queries, each as a ratio to the bare scan;
#   - (position :mate) written to a file against pgn-extract --checkmate on
#     the same file, with the number of games each finds;
#   - perft from the start position to depth 6;
#   - with CALLGRIND=1, the instruction counts of the bare scan and of the
#     four queries, each query as a ratio to the scan (steady on a shared
#     machine; a few minutes a build).
# CPU time is user + system, the best of RUNS runs (default 3). The scan and
# the four queries run in turn in each round, and each query's ratio is shown
# twice: best over best, and the median of the rounds' own ratios, which a
# machine that slows down and speeds up between rounds disturbs less. The
# builds run one after the other, so on a shared machine compare two builds
# by their instruction counts rather than by CPU time.
#
# Usage: bench/reader_speed.sh BUILD_DIR [BUILD_DIR2]
#   BUILD_DIR holds hux, bench/perft and bench/pgn_plies (or both directly
#   in it), e.g. build or build-rel.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
data=${HUX_DATA_DIR:-$root/../shared/data}/dev
runs=${RUNS:-3}
[ $# -ge 1 ] || { sed -n '2,22p' "$0" >&2; exit 2; }
dirs=()
for d in "$@"; do dirs+=("$(cd "$d" && pwd)"); done
perft_of() { if [ -x "$1/bench/perft" ]; then echo "$1/bench/perft"; else echo "$1/perft"; fi; }
[ -f "$data/masters.pgn" ] || { echo "reader_speed: $data/masters.pgn missing" >&2; exit 2; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
ln -s "$data/masters.pgn" "$work/masters.pgn"

# The plies the scan replays: the main lines' moves as the reader counts them
# (the file's few variations aside).
plies_tool=${dirs[0]}/bench/pgn_plies
[ -x "$plies_tool" ] || plies_tool=${dirs[0]}/pgn_plies
plies=$("$plies_tool" "$data/masters.pgn" | awk '{ s += $2 } END { print s }')

cpu() {  # CPU seconds of one command, run in the work folder
  (cd "$work" && /usr/bin/time -f "%U %S" -o "$work/t" "$@" >/dev/null 2>&1)
  awk '{ printf "%.3f", $1 + $2 }' "$work/t"
}
instructions() {  # the instructions hux ($1) executes on one query file ($2), under callgrind
  (cd "$work" && valgrind --tool=callgrind --callgrind-out-file=/dev/null "$1" -j 1 "$2" 2>&1 >/dev/null) |
    awk '/refs:/ { gsub(",", "", $NF); print $NF }'
}
best() {  # the best of RUNS CPU times of one command
  local b="" t
  for _ in $(seq "$runs"); do
    t=$(cpu "$@")
    if [ -z "$b" ] || awk "BEGIN { exit !($t < $b) }"; then b=$t; fi
  done
  echo "$b"
}

echo '(match :pgn masters.pgn :player nobodyatall)' >"$work/scan.hux"
queries=("(position :mate)" "(position Qh7 kg8 :btm)" "(position :rayorthogonal (R Q k))"
  "(position :attackcount n [KQR] 2 5 :wtm)")
limits=(1.15 1.1 1.25 1.25)

printf "plies replayed in masters.pgn: %s\n\n" "$plies"
for d in "${dirs[@]}"; do
  echo "== $d"
  for i in "${!queries[@]}"; do
    echo "(match :pgn masters.pgn :output /dev/null ${queries[$i]})" >"$work/q$i.hux"
    : >"$work/times$i"
  done
  : >"$work/times_scan"
  # Rounds: the scan, then each query, every time in each round.
  for _ in $(seq "$runs"); do
    cpu "$d/hux" -j 1 scan.hux >>"$work/times_scan"
    echo >>"$work/times_scan"
    for i in "${!queries[@]}"; do
      cpu "$d/hux" -j 1 "q$i.hux" >>"$work/times$i"
      echo >>"$work/times$i"
    done
  done
  scan=$(sort -g "$work/times_scan" | head -1)
  awk -v s="$scan" -v p="$plies" 'BEGIN { printf "bare scan: %.3f s CPU, %.1f ns/ply\n", s, s * 1e9 / p }'
  for i in "${!queries[@]}"; do
    q=$(sort -g "$work/times$i" | head -1)
    median=$(paste "$work/times$i" "$work/times_scan" | awk '{ print $1 / $2 }' | sort -g |
      awk '{ r[NR] = $1 } END { printf "%.2f", NR % 2 ? r[(NR + 1) / 2] : (r[NR / 2] + r[NR / 2 + 1]) / 2 }')
    awk -v q="$q" -v s="$scan" -v m="$median" -v l="${limits[$i]}" -v t="${queries[$i]}" \
      'BEGIN { printf "  %-44s %.3f s, %.2fx the scan, median of rounds %sx (target %s)\n", t, q, q / s, m, l }'
  done
  echo '(match :pgn masters.pgn :output mates.pgn (position :mate))' >"$work/mates.hux"
  m=$(best "$d/hux" -j 1 mates.hux)
  games=$(grep -c '^\[Event ' "$work/mates.pgn")
  echo "  mates to a file: $m s, $games games"
  p=$(best "$(perft_of "$d")" "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1" 6)
  echo "  perft depth 6: $p s"
  if [ "${CALLGRIND:-0}" = 1 ] && command -v valgrind >/dev/null; then
    irs=$(instructions "$d/hux" scan.hux)
    echo "  callgrind instructions: bare scan $irs Ir"
    for i in "${!queries[@]}"; do
      ir=$(instructions "$d/hux" "q$i.hux")
      awk -v q="$ir" -v s="$irs" -v l="${limits[$i]}" -v t="${queries[$i]}" \
        'BEGIN { printf "  %-44s %.0f Ir, %.4fx the scan (target %s)\n", t, q, q / s, l }'
    done
  fi
done

extract=$(command -v pgn-extract || true)
[ -z "$extract" ] && [ -x /usr/games/pgn-extract ] && extract=/usr/games/pgn-extract
if [ -n "$extract" ]; then
  e=$(best "$extract" --checkmate -s -o "$work/extract.pgn" masters.pgn)
  games=$(grep -c '^\[Event ' "$work/extract.pgn")
  echo
  echo "pgn-extract --checkmate to a file: $e s, $games games"
  echo "(ratio: pgn-extract's CPU over hux's mates-to-a-file CPU above; target at least 10)"
fi
