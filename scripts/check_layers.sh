#!/usr/bin/env bash
# The layers of src/, from the bottom up: core, query, filter, scan, then the
# programs hux and pelk. A file may include files of its own folder and of
# the folders below it, never of a folder above it or beside it.
set -euo pipefail
cd "$(dirname "$0")/.."

rank() {
  case $1 in
    core) echo 0 ;; query) echo 1 ;; filter) echo 2 ;; scan) echo 3 ;; hux | pelk) echo 4 ;;
    *) echo -1 ;;
  esac
}

status=0
for file in src/*/*.h src/*/*.cpp; do
  layer=$(basename "$(dirname "$file")")
  own=$(rank "$layer")
  while IFS= read -r included; do
    folder=${included%%/*}
    theirs=$(rank "$folder")
    [ "$theirs" -lt 0 ] && continue
    if [ "$folder" != "$layer" ] && [ "$theirs" -ge "$own" ]; then
      echo "$file includes $included: $folder is not below $layer"
      status=1
    fi
  done < <(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\/[^"]*\)".*/\1/p' "$file")
done
[ $status = 0 ] && echo "layers: no include runs upwards"
exit $status
