#!/usr/bin/env bash
# The index may change nothing but the time a query takes. Runs every query
# of examples/ and of the agreement table over games files without an index,
# with an up-to-date one (on one thread and on two), and with a stale, a
# damaged and a truncated one, which must not be used (hux says so on standard
# error): the output file, standard output and exit status must be the same
# byte for byte in every run; and no game the planner skips (as TOOL, built
# from tests/scan/index_pruned.cpp, lists them) may match in the text.
# Usage: tests/index_harness.sh [--examples-only] [--pruned TOOL] HUX [PGN...]
#   (default: the four dev files). The agreement queries need node and npm
#   (scripts/deps.sh dev); --examples-only runs the examples alone.
# HUX_INDEX_QUERIES=N runs only the first N queries of each kind.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
examplesOnly=0
pruned=
while [ $# -gt 0 ]; do
  case $1 in
    --examples-only) examplesOnly=1; shift ;;
    --pruned) pruned=$2; shift 2 ;;
    *) break ;;
  esac
done
given=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
[ -z "$pruned" ] || pruned=$(cd "$(dirname "$pruned")" && pwd)/$(basename "$pruned")
shift
data=${HUX_DATA_DIR:-$root/../shared/data}
if [ $# -eq 0 ]; then
  set -- "$data"/dev/*.pgn
fi
limit=${HUX_INDEX_QUERIES:-100000}
work=$(mktemp -d "${TMPDIR:-/tmp}/hux-index.XXXXXX")
trap 'rm -rf "$work"' EXIT
# Copies of the binaries: a rebuild during the run changes nothing.
hux=$work/hux
cp "$given" "$hux"
if [ -n "$pruned" ]; then
  cp "$pruned" "$work/index_pruned"
  pruned=$work/index_pruned
fi

# The queries: NAME<TAB>FILES<TAB>FILE.hux; FILES * means every file.
mkdir -p "$work/q"
n=0
for q in "$root"/examples/*.hux; do
  n=$((n + 1)); [ $n -le "$limit" ] || break
  printf 'ex-%s\t*\t%s\n' "$(basename "$q" .hux)" "$q"
done > "$work/queries"
agreement=$root/tests/agreement
. "$agreement/modules.sh"
[ $examplesOnly = 1 ] || agreement_modules index_harness 1
if [ $examplesOnly = 0 ]; then
  n=0
  node "$root/tests/index_queries.mjs" | while IFS=$'\t' read -r name files items; do
    n=$((n + 1)); [ $n -le "$limit" ] || break
    printf '(match :pgn games.pgn :output out.pgn %s)\n' "$items" > "$work/q/$name.hux"
    printf 'ag-%s\t%s\t%s\n' "$name" "$files" "$work/q/$name.hux"
  done >> "$work/queries"
fi

failures=0
# Runs query $2 over games file $1 in directory $3 with options $4...
run() {
  local games=$1 query=$2 dir=$3
  shift 3
  rm -rf "$dir" && mkdir -p "$dir"
  (cd "$dir" && "$hux" "$@" --pgn "$games" --output out.pgn "$query" > stdout 2> stderr; echo $? > status) || true
}
same() {
  local a=$1 b=$2 what=$3
  for f in out.pgn stdout status; do
    if [ -e "$a/$f" ] || [ -e "$b/$f" ]; then
      if ! cmp -s "$a/$f" "$b/$f"; then
        echo "FAIL $what: $f differs ($a/$f $b/$f)" >&2
        failures=$((failures + 1))
        return 1
      fi
    fi
  done
}
said() {
  if ! grep -q "not used" "$1/stderr"; then
    echo "FAIL $2: the unused index was not reported" >&2
    failures=$((failures + 1))
  fi
}

used() {
  if grep -q "not used" "$1/stderr"; then
    echo "FAIL $2: the index was not used: $(cat "$1/stderr")" >&2
    failures=$((failures + 1))
    return 1
  fi
}

# The games the planner skips for query $2 over $1 against those the text
# scan in $3/plain matched.
skipped() {
  local games=$1 query=$2 r=$3 what=$4
  [ -n "$pruned" ] || return 0
  if ! "$pruned" "$games.hxi" "$query" > "$r/pruned" 2> "$r/kept"; then
    echo "FAIL $what: $(cat "$r/kept")" >&2
    failures=$((failures + 1))
    return 1
  fi
  # The progress line marks each matching game: +<N>.
  grep -o '+<[0-9]*>' "$r/plain/stdout" | tr -dc '0-9\n' | sort > "$r/matched" || true
  local wrong
  wrong=$(sort "$r/pruned" | comm -12 - "$r/matched" | head -5 | tr '\n' ' ')
  if [ -n "$wrong" ]; then
    echo "FAIL $what: the planner skips matching games $wrong" >&2
    failures=$((failures + 1))
    return 1
  fi
  printf '%s: %s, %s matched\n' "$what" "$(cat "$r/kept")" "$(wc -l < "$r/matched")" >> "$work/kept.log"
}

for source in "$@"; do
  base=$(basename "$source")
  games=$work/games/$base
  mkdir -p "$work/games"
  rm -f "$games" "$games.hxi"
  cp "$source" "$games"
  echo "== $base"
  "$hux" --index "$games" > "$work/build.log" || { echo "FAIL indexing $base" >&2; exit 1; }
  tail -1 "$work/build.log"
  cp "$games.hxi" "$work/good.hxi"
  while IFS=$'\t' read -r name files query; do
    if [ "$files" != '*' ] && [[ ",$files," != *",$base,"* ]]; then continue; fi
    r=$work/r/$name
    cp "$work/good.hxi" "$games.hxi"
    run "$games" "$query" "$r/plain" --no-index -j1
    run "$games" "$query" "$r/indexed1" -j1
    run "$games" "$query" "$r/indexed2" -j2
    used "$r/indexed1" "$base $name indexed -j1" || continue
    # Two threads share the kept games out: they must write what one does.
    same "$r/indexed1" "$r/indexed2" "$base $name indexed -j2 against -j1" || continue
    same "$r/plain" "$r/indexed1" "$base $name indexed -j1" || continue
    skipped "$games" "$query" "$r" "$base $name" || continue
    # An index of the same text whose file changed since is stale; the
    # file's time then comes back, to the nanosecond, for the next query.
    touch -r "$games" "$work/built-at"
    touch -d '2001-01-01' "$games"
    run "$games" "$query" "$r/stale" -j1
    touch -r "$work/built-at" "$games"
    same "$r/plain" "$r/stale" "$base $name stale" && said "$r/stale" "$base $name stale"
    echo "ok $name"
  done < "$work/queries"
  # Damage of every kind, on one query that the planner prunes.
  query=$root/examples/mates.hux
  run "$games" "$query" "$work/d/plain" --no-index -j1
  "$hux" --index "$games" > /dev/null
  cp "$games.hxi" "$work/good.hxi"
  size=$(stat -c %s "$work/good.hxi")
  for damage in truncated flipped-header flipped-body flipped-end version foreign; do
    cp "$work/good.hxi" "$games.hxi"
    case $damage in
      truncated) truncate -s $((size / 2)) "$games.hxi" ;;
      flipped-header) printf '\xff' | dd of="$games.hxi" bs=1 seek=20 conv=notrunc status=none ;;
      flipped-body) printf '\x5a' | dd of="$games.hxi" bs=1 seek=$((size / 3)) conv=notrunc status=none ;;
      flipped-end) printf '\x01' | dd of="$games.hxi" bs=1 seek=$((size - 1)) conv=notrunc status=none ;;
      version) printf '\x09' | dd of="$games.hxi" bs=1 seek=8 conv=notrunc status=none ;;
      foreign) cp "$root/examples/sample.pgn" "$work/other.pgn"
               "$hux" --index "$work/other.pgn" > /dev/null
               cp "$work/other.pgn.hxi" "$games.hxi" ;;
    esac
    run "$games" "$query" "$work/d/$damage" -j1
    same "$work/d/plain" "$work/d/$damage" "$base index $damage" && said "$work/d/$damage" "$base index $damage"
    echo "ok index $damage"
  done
done
[ -z "${HUX_INDEX_KEPT_LOG:-}" ] || cp "$work/kept.log" "$HUX_INDEX_KEPT_LOG" 2> /dev/null || true
if [ $failures -gt 0 ]; then
  echo "index_harness: $failures failures" >&2
  exit 1
fi
echo "index_harness: all runs agree"
