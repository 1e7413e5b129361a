#!/usr/bin/env bash
# The board editor in a real window on a virtual display: Ctrl+B with the
# caret in the query's empty position list, clicks that put a white queen on
# h7 and a black king on g8, black to move, Insert and Ctrl+R; the games
# found must be those of the list written by hand. Then Ctrl+B opens the
# inserted list again, Shift+drag and Ctrl+click add a square set and a
# choice, and hux reads the list inserted. With a second argument, also saves
# a screenshot of the board editor there (needs ImageMagick).
# Usage: tests/pelk_board.sh [BUILD_DIR] [SCREENSHOT.png]
source "$(dirname "$0")/pelk_display.sh"
fail() { echo "pelk board check: $*" >&2; exit 1; }

cp "$top/examples/sample.pgn" "$work/"
printf '(match :pgn sample.pgn :output board-out.pgn\n (position\n ))\n' >"$work/board.hux"
echo '(match :pgn sample.pgn :output hand-out.pgn (position Qh7 kg8 :btm))' >"$work/hand.hux"
(cd "$work" && "$build/hux" hand.hux >/dev/null) || fail "hux did not run the hand-written list"
games() { grep -o '{Original game: [0-9]*' "$1" | grep -o '[0-9]*$' | tr '\n' ' '; }
expected=$(games "$work/hand-out.pgn")
[ -n "$expected" ] || fail "the hand-written list finds no games among the samples"

start_display 1280x900x24
start_pelk "$work" '^Pelk ver 1\.00 \[' board.hux

# Opens the board editor from the editor's caret and waits for it.
open_board() {
  xdotool windowfocus --sync "$window"
  xdotool key --clearmodifiers "$@" ctrl+b
  board=$(timeout 10 xdotool search --sync --onlyvisible --name '^Board - Pelk$' | head -n1) ||
    fail "Ctrl+B opened no board editor"
  sleep 0.5
  xdotool windowfocus --sync "$board"
}
# Where squares and tray pieces are in the board editor's window: the board
# stands 10 pixels in from its corner, squares of 48 pixels after an 18 pixel
# margin for the rank digits and 6 above; the tray (white column, black
# column) 14 pixels right of the board.
square() {
  local file=$(($(printf '%d' "'${1:0:1}") - 97)) rank=$((${1:1:1} - 1))
  echo $((10 + 18 + file * 48 + 24)) $((10 + 6 + (7 - rank) * 48 + 24))
}
tray() { echo $((10 + 18 + 8 * 48 + 14 + $1 * 48 + 24)) $((10 + 6 + $2 * 48 + 24)); }
click() { xdotool mousemove --window "$board" $1 $2 click 1; }

# The caret goes to the end of the line "(position": inside the list.
open_board ctrl+End Up Up End
click $(tray 0 1)       # the white queen
click $(square h7)
click $(tray 1 0)       # the black king
click $(square g8)
xdotool key --clearmodifiers alt+k  # Black to move
xdotool key --clearmodifiers alt+i  # Insert
sleep 0.5
xdotool windowfocus --sync "$window"
xdotool key --clearmodifiers ctrl+r
out="$work/board-out.pgn"
for _ in $(seq 300); do [ -s "$out" ] && break; sleep 0.1; done
sleep 0.5
grep -qxF ' (position Qh7 kg8 :btm))' "$work/e\$\$\$.hux" ||
  fail "Insert did not replace the empty list: $(cat "$work/e\$\$\$.hux")"
[ -f "$out" ] || fail "the run wrote no result file"
got=$(games "$out")
[ "$got" = "$expected" ] || fail "the board's list found games '$got', the hand-written one '$expected'"

# Back on the board with the caret inside the inserted list: a square set of
# pawns (Shift+drag a2 to c2, then the pawn in the tray), a rook as a second
# choice on h7 (Ctrl+click) and :check.
open_board Left Left
read -r x1 y1 < <(square a2)
read -r x2 y2 < <(square c2)
xdotool keydown shift mousemove --window "$board" "$x1" "$y1" mousedown 1
xdotool mousemove --window "$board" $(((x1 + x2) / 2)) "$y2" mousemove --window "$board" "$x2" "$y2"
xdotool mouseup 1 keyup shift
click $(tray 0 5)       # the white pawn covers the selection
click $(tray 0 2)       # the white rook
xdotool mousemove --window "$board" $(square h7) keydown ctrl click 1 keyup ctrl
xdotool key --clearmodifiers alt+c  # Check
sleep 0.5
if [ -n "$shot" ]; then
  import -window "$board" "$shot"
  echo "screenshot: $shot"
fi
xdotool key --clearmodifiers alt+i
sleep 0.5
rm -f "$out"
xdotool windowfocus --sync "$window"
xdotool key --clearmodifiers ctrl+r
for _ in $(seq 300); do [ -f "$out" ] && break; sleep 0.1; done
sleep 0.5
grep -qxF ' (position P[a-c2] kg8 [QR]h7 :btm :check))' "$work/e\$\$\$.hux" ||
  fail "the list reopened and edited on the board: $(cat "$work/e\$\$\$.hux")"
(cd "$work" && "$build/hux" 'e$$$.hux' >"$work/hux.log" 2>&1) ||
  fail "hux does not read the list the board wrote: $(cat "$work/hux.log")"
echo "pelk board check: passed"
