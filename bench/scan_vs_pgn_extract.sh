#!/usr/bin/env bash
# Times a full hux scan (every game parsed and replayed, nothing written: the
# player fragment matches no game) side by side with pgn-extract reading the
# same file, and checks that hux takes at most a tenth of pgn-extract's time.
#
# Usage: bench/scan_vs_pgn_extract.sh [HUX_BINARY] [PGN_FILE]
# Defaults: build/hux and the shared masters corpus. Exit status 0 when the
# target is met, 1 when it is not, 2 when something needed is missing.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
hux=$(realpath -m "${1:-$root/build/hux}")
pgn=$(realpath -m "${2:-$root/../shared/data/dev/masters.pgn}")

extract=$(command -v pgn-extract || true)
[[ -z $extract && -x /usr/games/pgn-extract ]] && extract=/usr/games/pgn-extract
for need in "$hux" "$pgn" "$extract"; do
    if [[ -z $need || ! -e $need ]]; then
        echo "missing: ${need:-pgn-extract}" >&2
        exit 2
    fi
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# Query words have no quoting: the query names a plain link to the file.
ln -s "$pgn" "$work/games.pgn"
printf '(match :pgn games.pgn :player zz-no-such-player-zz)\n' >"$work/scan.hux"
cd "$work"

# The scan must really have read every game and matched none.
"$hux" scan.hux | grep "^Number of matching games: 0 to file: stdout$" >/dev/null ||
    { echo "hux scan did not complete" >&2; exit 2; }

hux_cmd="'$hux' scan.hux"
extract_cmd="'$extract' -s -o /dev/null '$pgn'"

if command -v hyperfine >/dev/null; then
    hyperfine --warmup 1 -r 3 --export-json "$work/times.json" -n hux "$hux_cmd" \
        -n pgn-extract "$extract_cmd"
    # CPU time too: on a shared machine it is steadier than wall time.
    python3 -c '
import json, sys
r = {x["command"]: x for x in json.load(open(sys.argv[1]))["results"]}
h, e = r["hux"]["user"], r["pgn-extract"]["user"]
print(f"user time: hux {h:.3f} s, pgn-extract {e:.3f} s, ratio {e / h:.1f}")' "$work/times.json"
    read -r hux_s extract_s < <(python3 -c '
import json, sys
r = {x["command"]: x for x in json.load(open(sys.argv[1]))["results"]}
print(r["hux"]["mean"], r["pgn-extract"]["mean"])' "$work/times.json")
else
    measure() {
        python3 -c 'import subprocess, sys, time
t = time.perf_counter()
subprocess.run(sys.argv[1:], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
print(time.perf_counter() - t)' "$@"
    }
    hux_s=$(measure "$hux" scan.hux)
    extract_s=$(measure "$extract" -s -o /dev/null "$pgn")
fi

python3 - "$hux_s" "$extract_s" <<'EOF'
import sys
hux, extract = map(float, sys.argv[1:3])
ratio = extract / hux
print(f"hux {hux:.3f} s, pgn-extract {extract:.3f} s: hux is {ratio:.1f} times faster "
      f"(target: at least 10)")
sys.exit(0 if ratio >= 10 else 1)
EOF
