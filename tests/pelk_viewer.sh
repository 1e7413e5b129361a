#!/usr/bin/env bash
# The result viewer in a real window on a virtual display: `pelk --view` on a
# result file that hux writes from the sample games, driven by the keys a user
# presses (F3, Shift+F3, Page Down) and read back through the clipboard
# (Ctrl+Shift+C copies the shown position as FEN). With a second argument,
# also saves a screenshot of the viewer there (needs ImageMagick).
# Usage: tests/pelk_viewer.sh [BUILD_DIR] [SCREENSHOT.png]
source "$(dirname "$0")/pelk_display.sh"
fail() { echo "pelk viewer check: $*" >&2; exit 1; }
command -v xclip >/dev/null || fail "xclip is missing: install it with scripts/deps.sh"

# Every check marked, in the main lines and in the variations.
mkdir "$work/results"
cp "$top/examples/sample.pgn" "$work/results/"
echo '(match :pgn sample.pgn :output checks.pgn (position :check :variations :markall))' \
  >"$work/results/checks.hux"
(cd "$work/results" && "$build/hux" checks.hux >/dev/null) || fail "hux did not run"
rm "$work/results/sample.pgn" "$work/results/checks.hux"

# The marked positions the keys below reach, replayed independently from the
# result file: the first two checks of game 1 (6.Bxf7+, 7.Nd5#) and the first
# of game 2 (3...Qh4+).
first='rn1qkbnr/ppp2B1p/3p2p1/4N3/4P3/2N5/PPPP1PPP/R1BbK2R b KQkq - 0 6'
second='rn1q1bnr/ppp1kB1p/3p2p1/3NN3/4P3/8/PPPP1PPP/R1BbK2R b KQ - 2 7'
game2='rnb1kbnr/pppp1ppp/8/8/2B1Pp1q/8/PPPP2PP/RNBQK1NR w KQkq - 2 4'

start_display 1280x900x24

start_pelk "$work/results" '^checks\.pgn - Pelk Viewer$' --view checks.pgn
xdotool windowfocus --sync "$window"

# Presses the keys, copies the position and compares it with the expected FEN.
expect() {
  local want=$1 got=""
  shift
  for key in "$@"; do xdotool key --clearmodifiers "$key"; done
  xdotool key --clearmodifiers ctrl+shift+c
  for _ in $(seq 50); do
    got=$(xclip -o -selection clipboard 2>/dev/null || true)
    [ "$got" = "$want" ] && return 0
    sleep 0.1
  done
  fail "after ${*:-opening}: copied '$got', expected '$want'"
}
expect "$first"               # opens at the first game's first mark
expect "$second" F3
expect "$first" shift+F3
expect "$game2" Page_Down     # the next game opens at its first mark
expect "$first" Page_Up

if [ -n "$shot" ]; then
  # The annotated Opera game (game 5), at a mark inside its moves.
  xdotool key --clearmodifiers Page_Down Page_Down Page_Down Page_Down F3
  sleep 1
  import -window "$window" "$shot"
  echo "screenshot: $shot"
fi
echo "pelk viewer check: passed"
