#!/usr/bin/env bash
# Does another PGN reader accept what hux writes? For each input X, hux runs
# (match :pgn X :output Y); pgn-extract then reads X and Y. Y must cause no
# move error, and in the sample and the dev corpora every game that
# pgn-extract read from X without a move error must come back from Y with the
# same main line. The edge and debian files are reported, not held to that:
# there hux's own reading differs by design (move text without tags is no
# game, variants and refused FENs stop at the first move that fails, moves
# after a failed one are dropped, a result token beats the Result tag).
#
# Usage: tests/writer_agreement.sh [BUILD_DIR]   (default: build)
# Skips (status 0) when pgn-extract or the shared data is missing. With
# HUX_WRITER=tool, bench/pgn_rewrite writes Y instead of hux. A hux that
# fails on an input fails the check.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
data=${HUX_DATA_DIR:-$root/../shared/data}

extract=$(command -v pgn-extract || true)
[ -z "$extract" ] && [ -x /usr/games/pgn-extract ] && extract=/usr/games/pgn-extract
if [ -z "$extract" ]; then
  echo "writer_agreement: skipped, pgn-extract not installed"
  exit 0
fi
if [ ! -d "$data" ]; then
  echo "writer_agreement: skipped, no shared data at $data"
  exit 0
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

write_records() {  # input output
  if [ "${HUX_WRITER:-hux}" = hux ]; then
    # Query words have no quoting: hux reads a link with a plain name.
    ln -sf "$1" "$work/x.pgn"
    echo '(match :pgn x.pgn :output y.pgn)' > "$work/q.hux"
    if (cd "$work" && "$build/hux" q.hux > hux.out 2>&1); then
      touch "$work/y.pgn"
      [ "$2" = "$work/y.pgn" ] || mv "$work/y.pgn" "$2"
      return 0
    fi
    echo "  hux failed on $1: $(tail -c 200 "$work/hux.out" | tr '\n' ' ')"
    return 1
  fi
  "$build/bench/pgn_rewrite" "$1" "$2" 2> /dev/null
}

# One line of SAN moves per game, in file order.
main_lines() {  # input output log
  "$extract" -s --notags -C -N -V --nomovenumbers --noresults -w 1000000 \
    -l "$3" -o "$2.raw" "$1" > /dev/null 2>&1 || true
  grep -v '^[[:space:]]*$' "$2.raw" > "$2" || true
}

failed_moves() {
  grep -c "Failed to make move" "$1" || true
}

files=("$root/examples/sample.pgn")
while IFS= read -r f; do files+=("$f"); done < <(
  find "$data/dev" "$data/edge" "$data/debian" -name '*.pgn' 2> /dev/null | sort)

total_x=0 total_missing=0 total_yfail=0 total_xfail=0 total_extra=0 bad=0
printf '%-58s %8s %8s %6s %6s %8s %6s\n' file "games X" "games Y" "fail X" "fail Y" missing extra
for x in "${files[@]}"; do
  [ -f "$x" ] || continue
  y="$work/y.pgn"
  rm -f "$y"
  if ! write_records "$x" "$y"; then
    bad=1
    continue
  fi
  main_lines "$x" "$work/x.lines" "$work/x.log"
  main_lines "$y" "$work/y.lines" "$work/y.log"
  gx=$(wc -l < "$work/x.lines")
  gy=$(wc -l < "$work/y.lines")
  fx=$(failed_moves "$work/x.log")
  fy=$(failed_moves "$work/y.log")
  # Main lines of X that Y lacks where the alignment puts them.
  missing=$(diff "$work/x.lines" "$work/y.lines" | grep -c '^<' || true)
  extra=$(diff "$work/x.lines" "$work/y.lines" | grep -c '^>' || true)
  name=${x#"$data/"}
  name=${name#"$root/"}
  printf '%-58s %8d %8d %6d %6d %8d %6d\n' "$name" "$gx" "$gy" "$fx" "$fy" "$missing" "$extra"
  held=0
  case "$x" in "$root/examples/"* | "$data/dev/"*) held=1 ;; esac
  if [ "$fy" -gt 0 ] || { [ "$held" = 1 ] && [ "$missing" -gt 0 ]; }; then bad=1; fi
  if [ "$missing" -gt 0 ] || [ "$fy" -gt 0 ]; then
    { diff "$work/x.lines" "$work/y.lines" || true; } | grep '^[<>]' | head -4 | cut -c1-150 |
      sed 's/^/    /' || true
    { grep -A2 "Failed to make move" "$work/y.log" || true; } | head -6 | sed 's/^/    Y: /'
  fi
  total_x=$((total_x + gx)) total_missing=$((total_missing + missing))
  total_xfail=$((total_xfail + fx)) total_yfail=$((total_yfail + fy))
  total_extra=$((total_extra + extra))
done
echo "games read cleanly from X: $total_x; missing or changed in Y: $total_missing;" \
  "extra in Y: $total_extra; move errors X: $total_xfail, Y: $total_yfail"
exit $bad
