# What the checks of pelk in a real window share, sourced by each of them:
# the source and build folders from the arguments (BUILD_DIR, then where a
# screenshot goes), a work folder and the programs started there, all removed
# on exit, and a virtual display of its own.
set -euo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$top/build}" && pwd)
shot=${2:+$(realpath -m "$2")}
work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

# Starts a virtual display of the given size (WxHxDEPTH) and exports it. The
# server picks a free display itself, so parallel runs do not collide.
start_display() {
  Xvfb -displayfd 3 -screen 0 "$1" -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
  pids+=($!)
  for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
  [ -s "$work/display" ] || fail "the virtual display did not start: $(cat "$work/xvfb.log")"
  export DISPLAY=":$(head -n1 "$work/display")"
}

# Starts pelk in folder $1 with the arguments after $2, waits for its window,
# whose title matches the pattern $2, and sets `window` to it.
start_pelk() {
  local dir=$1 title=$2
  shift 2
  (cd "$dir" && exec "$build/pelk" "$@" >"$work/pelk.log" 2>&1) &
  pids+=($!)
  window=$(timeout 30 xdotool search --sync --onlyvisible --name "$title" | head -n1) ||
    fail "no pelk window titled '$title' appeared: $(cat "$work/pelk.log")"
  sleep 1
}
