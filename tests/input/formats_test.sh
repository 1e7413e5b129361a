#!/usr/bin/env bash
# End-to-end checks of where games come from and go: every compressed format
# (made here with the usual command-line tools) gives the output bytes and
# the progress of the plain file; standard input and output; --pgn and
# --output; the refusals of what is not PGN text; damaged input.
# Usage: tests/input/formats_test.sh HUX EXAMPLES_DIR DATA_DIR
set -uo pipefail
export LC_ALL=C

hux=$(realpath "$1")
examples=$(realpath "$2")
data=$(realpath -m "$3")
for tool in gzip zstd bzip2 xz tar; do
  command -v $tool >/dev/null || { echo "$tool is not installed (scripts/deps.sh test): skipped"; exit 77; }
done
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
cd "$tmp"

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
banner="HUX version 3.02 (c) the HUX developers: chess games found by what happens on the board"

cp "$examples/sample.pgn" sample.pgn
echo '(match :pgn sample.pgn :output out.pgn (position :mate))' > mates.hux
"$hux" mates.hux > plain.txt || fail "plain run"
mv out.pgn plain.pgn
[ -s plain.pgn ] || fail "the plain run selected nothing"

# What a run over $1 printed, read against the plain run's, name aside.
same_progress() {
  sed "2s|^Attempting to open file: $1\.\$|Attempting to open file: sample.pgn.|" "$2" | cmp -s - plain.txt
}

# Each format, also under a name that says nothing, on one thread and two.
gzip -c sample.pgn > sample.pgn.gz
zstd -q -c sample.pgn > sample.pgn.zst
bzip2 -c sample.pgn > sample.pgn.bz2
xz -c sample.pgn > sample.pgn.xz
zstd -q -c sample.pgn > zstd-inside.pgn
cp sample.pgn.gz plain-name.txt
for f in sample.pgn.gz sample.pgn.zst sample.pgn.bz2 sample.pgn.xz zstd-inside.pgn plain-name.txt; do
  for j in 1 2; do
    rm -f out.pgn
    "$hux" -j $j --pgn "$f" mates.hux > run.txt
    status=$?
    [ $status = 0 ] || fail "$f -j $j: status $status"
    cmp -s out.pgn plain.pgn || fail "$f -j $j: output differs from the plain file's"
    same_progress "$f" run.txt || fail "$f -j $j: progress differs: $(cat run.txt)"
  done
done

# Several zstd frames, gzip members, bzip2 and xz streams joined, over a
# larger file and across the decoder's buffers.
if [ -f "$data/dev/classics.pgn" ]; then
  head -c 3000000 "$data/dev/classics.pgn" | awk '/^\[Event /{n++} n<=1200' > big.pgn
  echo '(match :pgn big.pgn :output out.pgn (position :mate))' > big.hux
  "$hux" -j 1 big.hux > big.txt || fail "big plain run"
  mv out.pgn big-plain.pgn
  split -n l/3 big.pgn part.
  for tool in "zstd -q" gzip bzip2 xz; do
    for p in part.aa part.ab part.ac; do $tool -c $p; done > joined
    for j in 1 2; do
      rm -f out.pgn
      "$hux" -j $j --pgn joined big.hux > run.txt || fail "joined $tool -j $j: status $?"
      cmp -s out.pgn big-plain.pgn || fail "joined $tool -j $j: output differs"
      sed '2s/joined/big.pgn/' run.txt | cmp -s - big.txt || fail "joined $tool -j $j: progress differs"
    done
  done
fi

# Standard input, and standard output for the games with the rest on
# standard error.
rm -f out.pgn
"$hux" --pgn - mates.hux < sample.pgn.xz > run.txt || fail "stdin: status $?"
cmp -s out.pgn plain.pgn || fail "stdin: output differs"
sed '2s/-\./sample.pgn./' run.txt | cmp -s - plain.txt || fail "stdin: progress differs"
rm -f out.pgn
zstd -q -dc sample.pgn.zst | "$hux" -j 2 --pgn - --output - mates.hux > games.pgn 2> err.txt ||
  fail "stdout: status $?"
cmp -s games.pgn plain.pgn || fail "stdout: the games differ"
sed 's/to file: stdout$/to file: out.pgn/; 2s/-\./sample.pgn./' err.txt | cmp -s - plain.txt ||
  fail "stdout: the progress on standard error differs: $(cat err.txt)"
[ -e out.pgn ] && fail "stdout: the query's output file was written"

# Compressed output: the same games once decompressed.
"$hux" --output found.pgn.gz mates.hux > /dev/null || fail "gz output: status $?"
gzip -dc found.pgn.gz | cmp -s - plain.pgn || fail "gz output differs"
"$hux" -j 2 --output found.pgn.zst mates.hux > /dev/null || fail "zst output: status $?"
zstd -q -dc found.pgn.zst | cmp -s - plain.pgn || fail "zst output differs"

# A refused run: exact lines, status 1, and the output file untouched.
# Usage: refused NAME MESSAGE [HUX ARGUMENTS]
refused() {
  local name=$1 message=$2
  shift 2
  rm -f out.pgn
  "$hux" "$@" mates.hux > run.txt 2> err.txt < "${STDIN:-/dev/null}"
  local status=$?
  printf '%s\nAttempting to open file: %s.\nError: %s\n' "$banner" "$name" "$message" > want.txt
  [ $status = 1 ] || fail "$name: status $status"
  cmp -s run.txt want.txt || fail "$name: printed $(cat run.txt)"
  [ -e out.pgn ] && fail "$name: an output file was created"
  [ -s err.txt ] && fail "$name: standard error: $(cat err.txt)"
}
extract="not PGN text: extract the .pgn file first"
printf 'PK\003\004\024\000\000\000\010\000games.pgn' > games.zip
refused games.zip "games.zip is a zip archive, $extract" --pgn games.zip
printf '7z\274\257\047\034\000\004' > games.7z
refused games.7z "games.7z is a 7z archive, $extract" --pgn games.7z
printf 'Rar!\032\007\001\000' > games.rar
refused games.rar "games.rar is a rar archive, $extract" --pgn games.rar
tar cf games.tar sample.pgn
refused games.tar "games.tar is a tar archive, $extract" --pgn games.tar
tar czf games.tgz sample.pgn
refused games.tgz "games.tgz is a tar archive, $extract" --pgn games.tgz
STDIN=games.tar refused - "standard input is a tar archive, $extract" --pgn -
awk 'BEGIN { for (i = 0; i < 8192; i++) printf "%c", (i * 7) % 256 }' > binary.pgn
refused binary.pgn "binary.pgn is binary data, not PGN text" --pgn binary.pgn
tr 'a-z' '\001-\032' < sample.pgn > controls.pgn
refused controls.pgn "controls.pgn is binary data, not PGN text" --pgn controls.pgn
printf '\377\376[\000E\000' > utf16.pgn
refused utf16.pgn "utf16.pgn is UTF-16 text, not PGN text: save it as UTF-8 or Latin-1" --pgn utf16.pgn
head -c 3000 /dev/zero | gzip > zeros.pgn.gz
refused zeros.pgn.gz "zeros.pgn.gz is binary data, not PGN text" --pgn zeros.pgn.gz
# The output is refused when it is a file the run reads, however named.
refused sample.pgn "the output file sample.pgn is the PGN file sample.pgn: it would be overwritten" \
  --output sample.pgn
refused sample.pgn "the output file ./sample.pgn is the PGN file sample.pgn: it would be overwritten" \
  --output ./sample.pgn
refused sample.pgn.zst \
  "the output file sample.pgn.zst is the PGN file sample.pgn.zst: it would be overwritten" \
  --pgn sample.pgn.zst --output sample.pgn.zst
refused sample.pgn "the output file mates.hux is the query file mates.hux: it would be overwritten" \
  --output mates.hux
STDIN=sample.pgn refused - "the output file sample.pgn is the PGN file -: it would be overwritten" \
  --pgn - --output sample.pgn
cmp -s sample.pgn "$examples/sample.pgn" || fail "a refused run changed sample.pgn"

# Text is read whatever its encoding marks: a UTF-8 byte-order mark, CRLF
# line ends, Latin-1 letters.
{ printf '\357\273\277'; sed 's/$/\r/' sample.pgn; } > bom-crlf.pgn
sed "s/Morphy/M$(printf '\351')rphy/" sample.pgn > latin1.pgn
for f in bom-crlf.pgn latin1.pgn; do
  "$hux" --pgn $f --output found.pgn mates.hux > run.txt || fail "$f: status $?"
  [ "$(grep -o '+<[0-9]*>' run.txt)" = "$(grep -o '+<[0-9]*>' plain.txt)" ] || fail "$f: other games"
done

# A zstd file cut in half: the games before the cut, whole, then the
# message and status 1; the games are those a plain run gives over the
# games that the cut left whole.
if [ -f "$data/dev/classics.pgn" ]; then
  zstd -q -c "$data/dev/classics.pgn" > whole.zst
  head -c $(( $(stat -c %s whole.zst) / 2 )) whole.zst > cut.pgn.zst
  started=$(zstd -q -dc cut.pgn.zst 2>/dev/null | grep -c '^\[Event ')
  whole=$((started - 1))
  awk -v n=$whole '/^\[Event /{k++} k<=n' "$data/dev/classics.pgn" > before.pgn
  echo '(match :pgn x.pgn :output out.pgn (position :mate))' > cut.hux
  "$hux" -j 1 --pgn before.pgn cut.hux > before.txt
  mv out.pgn before-out.pgn
  for j in 1 2; do
    rm -f out.pgn
    "$hux" -j $j --pgn cut.pgn.zst cut.hux > run.txt
    status=$?
    [ $status = 1 ] || fail "cut -j $j: status $status"
    cmp -s out.pgn before-out.pgn || fail "cut -j $j: not the games before the cut"
    want="Error: cut.pgn.zst is truncated: the last game read whole was game $whole"
    [ "$(tail -1 run.txt)" = "$want" ] || fail "cut -j $j: $(tail -1 run.txt)"
    # Up to the message, the progress of the plain run over those games.
    diff <(sed '2d;$d' run.txt) <(sed '2d;$d' before.txt) > /dev/null ||
      fail "cut -j $j: progress differs"
  done
  # A run whose last wanted game lies before the cut is not hurt by it.
  echo '(match :pgn x.pgn :output out.pgn :gamenumber 10 20)' > some.hux
  "$hux" -j 1 --pgn cut.pgn.zst some.hux > run.txt || fail "gamenumber before the cut: status $?"
fi

# A damaged gzip file: a message naming it, status 1.
gzip -c sample.pgn > damaged.pgn.gz
size=$(stat -c %s damaged.pgn.gz)
printf '\377\377\377\377\377\377\377\377' | dd of=damaged.pgn.gz bs=1 seek=$((size / 2)) conv=notrunc 2>/dev/null
"$hux" --pgn damaged.pgn.gz mates.hux > run.txt
status=$?
[ $status = 1 ] || fail "damaged gzip: status $status"
tail -1 run.txt | grep -q '^Error: damaged.pgn.gz is damaged (gzip: .*): ' || fail "damaged gzip: $(tail -1 run.txt)"

# The command line: help, version, unknown options.
"$hux" --help > run.txt || fail "--help: status $?"
for option in "-j N" "--jobs N" "--pgn FILE" "--output FILE" "--help" "--version" "--"; do
  grep -q -- "^  .*$option" run.txt || fail "--help does not show $option"
done
"$hux" --version > run.txt || fail "--version: status $?"
[ "$(cat run.txt)" = "$banner" ] || fail "--version printed $(cat run.txt)"
"$hux" --frobnicate mates.hux > run.txt 2> err.txt
status=$?
[ $status = 1 ] || fail "unknown option: status $status"
head -1 err.txt | grep -qx 'hux: unknown option --frobnicate' || fail "unknown option: $(cat err.txt)"
"$hux" --pgn > run.txt 2> err.txt
[ $? = 1 ] && head -1 err.txt | grep -qx 'hux: missing PGN file after --pgn' || fail "--pgn alone: $(cat err.txt)"

if [ $failures -gt 0 ]; then
  echo "$failures failures"
  exit 1
fi
echo "all input and output checks passed"
