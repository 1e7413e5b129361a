#!/usr/bin/env bash
# The editor in a real window on a virtual display: opens a query, presses
# Ctrl+R as a user would, and checks that e$$$.hux holds the editor's text and
# that the query's result file holds the right games; then inserts a keyword
# from the palette in mid-line and runs again. With a second argument,
# also saves a screenshot of the window there (needs ImageMagick).
# Usage: tests/pelk_window.sh [BUILD_DIR] [SCREENSHOT.png]
source "$(dirname "$0")/pelk_display.sh"
fail() {
  [ -n "${shot:-}" ] && [ -n "${window:-}" ] && import -window root "$shot" 2>/dev/null
  echo "pelk window check: $*" >&2
  exit 1
}

cp "$top/examples/sample.pgn" "$work/"
cat > "$work/morphy.hux" <<'EOF'
; Paul Morphy's games among the samples, played from 1850 to 1899, with
; every check marked that comes while the checking side has a queen or rook
(match :pgn sample.pgn
       :output morphy-out.pgn   ; written when the query is run
       :player Morphy
       :year 1850 1899
       (position :check :or ((position :btm [QR]) (position :wtm [qr]))
                 :markall))
EOF

start_display 1024x768x24

start_pelk "$work" '^Pelk ver 1\.00 \[' morphy.hux
xdotool windowfocus --sync "$window"
xdotool key --clearmodifiers ctrl+r

out="$work/morphy-out.pgn"
for _ in $(seq 300); do
  [ -f "$out" ] && [ "$(grep -c '{Original game' "$out")" -ge 2 ] && break
  sleep 0.1
done
[ -f "$work/e\$\$\$.hux" ] || fail "Run wrote no e\$\$\$.hux"
cmp -s "$work/morphy.hux" "$work/e\$\$\$.hux" || fail "e\$\$\$.hux differs from the editor's text"
[ -f "$out" ] || fail "the query's result file was not written"
games=$(grep -o '{Original game: [0-9]*' "$out" | grep -o '[0-9]*$' | tr '\n' ' ')
[ "$games" = "4 5 " ] || fail "expected games 4 and 5 of the samples, got: $games"

# A long-form palette insertion in the middle of a line, then Run: the rest
# of the line stays query text and hux reads the query. The caret goes before
# the closing "))" of the last line; the palette opens on its first cell, and
# :movenumber lies one column right, twelve rows down.
xdotool key --clearmodifiers ctrl+End Up End Left Left
xdotool key --clearmodifiers ctrl+p
sleep 1
xdotool key Right Down Down Down Down Down Down Down Down Down Down Down Return
sleep 0.5
title=$(xdotool getwindowname "$window")
case "$title" in *"morphy.hux]*") ;; *) fail "no mark of unsaved changes in the title: $title" ;; esac
rm -f "$out"
# Without a window manager, the focus does not return by itself.
xdotool windowfocus --sync "$window"
xdotool key --clearmodifiers ctrl+r
for _ in $(seq 300); do [ -f "$out" ] && break; sleep 0.1; done
sleep 0.5
expected="                 :markall :movenumber 20 40                       ; the move number lies in this range
                 ))"
[ "$(tail -n 2 "$work/e\$\$\$.hux")" = "$expected" ] ||
  fail "the insertion did not keep the rest of the line: $(tail -n 3 "$work/e\$\$\$.hux")"
(cd "$work" && "$build/hux" 'e$$$.hux' >"$work/hux.log" 2>&1) ||
  fail "hux does not read the query after the insertion: $(cat "$work/hux.log")"
[ -f "$out" ] || fail "the run after the insertion wrote no result file"

if [ -n "$shot" ]; then
  sleep 1  # let the output pane show the final count
  import -window "$window" "$shot"
  echo "screenshot: $shot"
fi
echo "pelk window check: passed"
