#!/usr/bin/env bash
# What compressed input costs: the bare scan
#   (match :pgn F :player nobodyatall)
# with -j 1 over masters.pgn as plain text, zstd and gzip (made here with the
# command-line tools), CPU time (user + system, every thread counted) and
# wall-clock time, best of three runs; then the peak memory (maximum resident
# set) reading a zstd file of several GB built in /tmp by joining the dev files
# again and again. Targets: zstd at most 1.25x, gzip at most 1.6x the plain
# file's CPU time; peak memory under 64 MiB.
#
# Usage: bench/compressed_input.sh [BUILD_DIR] [GB]   (defaults: build, 4)
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
gigabytes=${2:-4}
data=${HUX_DATA_DIR:-$root/../shared/data}
pgn="$data/dev/masters.pgn"
if [ ! -f "$pgn" ]; then
  echo "compressed_input: skipped, $pgn not present"
  exit 0
fi
for tool in zstd gzip; do
  command -v $tool >/dev/null || { echo "compressed_input: $tool is not installed"; exit 1; }
done

work=$(mktemp -d /tmp/hux-bench.XXXXXX)
trap 'rm -rf "$work"' EXIT
cd "$work"
echo '(match :pgn none.pgn :player nobodyatall)' > scan.hux
zstd -q -c "$pgn" > masters.pgn.zst
gzip -c "$pgn" > masters.pgn.gz
uptime

# "user system elapsed maxrss_kb" of one run.
measure() {
  /usr/bin/time -f '%U %S %e %M' -o time.txt "$build/hux" -j 1 --pgn "$1" scan.hux > /dev/null
  cat time.txt
}
# The best of three: the run with the least CPU time.
best() {
  for _ in 1 2 3; do measure "$1"; done |
    awk '{cpu = $1 + $2; if (best == "" || cpu < best) { best = cpu; line = $0 } }
         END { split(line, f, " "); printf "%.2f %.2f %d\n", f[1] + f[2], f[3], f[4] }'
}

read -r plain_cpu plain_wall plain_rss < <(best "$pgn")
printf '%-8s %8s %8s %8s %10s\n' input "cpu s" "wall s" "x plain" "max RSS"
printf '%-8s %8.2f %8.2f %8s %7d KB\n' plain "$plain_cpu" "$plain_wall" 1.00 "$plain_rss"
status=0
for format in zst:1.25 gz:1.6; do
  ext=${format%%:*}
  limit=${format##*:}
  read -r cpu wall rss < <(best "masters.pgn.$ext")
  ratio=$(awk -v a="$cpu" -v b="$plain_cpu" 'BEGIN { printf "%.2f", a / b }')
  printf '%-8s %8.2f %8.2f %8s %7d KB   (limit %sx)\n' "$ext" "$cpu" "$wall" "$ratio" "$rss" "$limit"
  awk -v r="$ratio" -v l="$limit" 'BEGIN { exit !(r > l) }' && status=1
done

# Peak memory on a large compressed file, built as a stream: the dev files
# joined until the size is reached, compressed on the way.
files=("$data"/dev/*.pgn)
bytes_each=$(cat "${files[@]}" | wc -c)
rounds=$(( gigabytes * 1024 * 1024 * 1024 / bytes_each + 1 ))
for _ in $(seq "$rounds"); do cat "${files[@]}"; done | zstd -q -T2 -c > large.pgn.zst
echo "large file: $(( rounds * bytes_each / 1048576 )) MiB of PGN, $(( $(stat -c %s large.pgn.zst) / 1048576 )) MiB compressed"
for jobs in 1 2; do
  /usr/bin/time -f '%U %S %e %M' -o time.txt "$build/hux" -j $jobs --pgn large.pgn.zst scan.hux > /dev/null
  read -r user sys wall rss < time.txt
  echo "large zstd -j $jobs: cpu $(awk -v u="$user" -v s="$sys" 'BEGIN { print u + s }') s, wall $wall s, max RSS $(( rss / 1024 )) MiB"
  [ "$rss" -lt $(( 64 * 1024 )) ] || status=1
done
uptime
exit $status
