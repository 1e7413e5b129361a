#!/usr/bin/env bash
# The installation as a user gets it: `cmake --install` into a temporary
# prefix, the installed hux run on a query from another directory, the manual
# pages rendered without warnings, the desktop entry and MIME type checked,
# and a Debian package built from the same build folder and inspected.
# Usage: tests/install_check.sh BUILD_DIR   (run by ctest)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "$1" && pwd)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "install check FAILED: $*" >&2; exit 1; }

prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >"$work/install.log" || fail "cmake --install"

for f in bin/hux share/man/man1/hux.1 share/doc/hux/LICENSE; do
  [ -e "$prefix/$f" ] || fail "$f is not installed"
done
pelk=no
if [ -e "$build/pelk" ]; then
  pelk=yes
  for f in bin/pelk share/hux/pelk.pal share/man/man1/pelk.1 share/applications/pelk.desktop \
           share/icons/hicolor/scalable/apps/pelk.svg share/icons/hicolor/128x128/apps/pelk.png \
           share/mime/packages/hux-query.xml; do
    [ -e "$prefix/$f" ] || fail "$f is not installed"
  done
fi

# The installed program, run from a directory of its own on a copy of the
# sample games, finds what the build tree's program finds.
mkdir "$work/run"
cp "$root/examples/sample.pgn" "$work/run/"
printf '(match :pgn sample.pgn :output found.pgn (position :mate))\n' >"$work/run/mates.hux"
(cd "$work/run" && "$prefix/bin/hux" mates.hux >out.txt) || fail "the installed hux failed"
grep -q "^Number of matching games: 8 to file: found.pgn$" "$work/run/out.txt" ||
  fail "the installed hux did not find the 8 mates: $(cat "$work/run/out.txt")"

# Manual pages: rendered with warnings switched on, nothing may be said.
for page in "$prefix"/share/man/man1/*.1; do
  warnings=$(MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)
  [ -z "$warnings" ] || fail "$(basename "$page"): $warnings"
done

if [ "$pelk" = yes ]; then
  desktop-file-validate "$prefix/share/applications/pelk.desktop" || fail "desktop entry"
  grep -q 'MimeType=text/x-hux-query;' "$prefix/share/applications/pelk.desktop" ||
    fail "the desktop entry does not open query files"
  grep -q '<glob pattern="\*.hux"/>' "$prefix/share/mime/packages/hux-query.xml" ||
    fail "the MIME type does not cover .hux files"
fi

# The Debian package of the same build.
(cd "$work" && cpack -G DEB --config "$build/CPackConfig.cmake" >cpack.log 2>&1) ||
  { cat "$work/cpack.log" >&2; fail "cpack -G DEB"; }
deb=$(ls "$work"/hux_*.deb)
contents=$(dpkg-deb -c "$deb")
info=$(dpkg-deb -I "$deb")
grep -q ' ./usr/bin/hux$' <<<"$contents" || fail "the package lacks usr/bin/hux"
grep -q ' ./usr/share/man/man1/hux.1' <<<"$contents" || fail "the package lacks hux.1"
grep -q '^ Depends: .*libc6' <<<"$info" || fail "the package has no library dependencies"
if [ "$pelk" = yes ]; then
  grep -q ' ./usr/bin/pelk$' <<<"$contents" || fail "the package lacks usr/bin/pelk"
  grep -q '^ Depends: .*libqt6widgets6' <<<"$info" || fail "the package does not depend on Qt"
fi
echo "install check passed: $(basename "$deb")"
