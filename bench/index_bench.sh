#!/usr/bin/env bash
# The game index: build rate (games a second of CPU), index size a game, and
# peak memory of the build; then queries that the signatures prune, run with
# the index (on one thread and on JOBS) and without it (text on every core),
# with CPU, wall-clock and peak memory. The games file is COPIES copies of
# the four dev files made in /tmp (about 137,000 games and 88 MB a copy; 73
# copies make 10 million games), removed at the end. Wall-clock figures mean little while others
# share the cores: the load is printed first.
#
# Usage: bench/index_bench.sh [BUILD_DIR] [COPIES]   (default: build 15)
#   JOBS=N threads for the build and the text scans (default: nproc).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
copies=${2:-15}
data=${HUX_DATA_DIR:-$root/../shared/data}/dev
jobs=${JOBS:-$(nproc)}
work=$(mktemp -d /tmp/hux-index-bench.XXXXXX)
trap 'rm -rf "$work"' EXIT
hux=$build/hux

echo "load: $(uptime)"
games=$work/big.pgn
for _ in $(seq "$copies"); do
  cat "$data/masters.pgn" "$data/classics.pgn" "$data/online-lichess.pgn" "$data/repertoire.pgn"
done > "$games"
echo "games file: $(stat -c %s "$games") bytes, $copies copies of the dev files"

measure() {  # label, command...
  local label=$1
  shift
  /usr/bin/time -f "%U %S %e %M" -o "$work/time" "$@" > "$work/stdout" 2> "$work/stderr"
  read -r user sys wall rss < "$work/time"
  printf '%-34s cpu %7.2f s  wall %7.2f s  peak %6d MiB  %s\n' "$label" \
    "$(echo "$user + $sys" | bc)" "$wall" $((rss / 1024)) "$(tail -1 "$work/stdout")"
}

measure "index -j $jobs" "$hux" -j "$jobs" --index "$games"
n=$(grep -o 'Indexed [0-9]*' "$work/stdout" | grep -o '[0-9]*')
cpu=$(awk '{print $1 + $2}' "$work/time")
echo "build rate: $(echo "$n / $cpu" | bc) games a CPU second; index $(stat -c %s "$games.hxi") bytes"
# The replay of the packed moves alone, as an indexed scan rebuilds the games.
if [ -x "$build/bench/packed_replay" ]; then
  "$build/bench/packed_replay" "$games.hxi"
fi

for q in "(position Qh7 kg8 :btm)" "(position :promote [RBNrbn])" "(position :stalemate)" \
         "(position :mate)" ":player Carlsen (position :check)" \
         "(position :piececount [Qq] 0 :piececount [RrBbNn] 0 2)" "(position :piececount [Qq] 9)"; do
  echo "(match :pgn $games :output $work/out.pgn $q)" > "$work/q.hux"
  echo "== $q"
  measure "  with the index, -j 1" "$hux" -j 1 "$work/q.hux"
  cp "$work/out.pgn" "$work/indexed.pgn"
  measure "  with the index, -j $jobs" "$hux" -j "$jobs" "$work/q.hux"
  cmp -s "$work/out.pgn" "$work/indexed.pgn" || echo "  OUTPUT DIFFERS"
  measure "  text, -j $jobs" "$hux" --no-index -j "$jobs" "$work/q.hux"
  cmp -s "$work/out.pgn" "$work/indexed.pgn" || echo "  OUTPUT DIFFERS"
done
