# Makes sure the independent evaluator can run: node and npm present, its
# modules installed. Sourced by the scripts that call the evaluator.
# Usage: agreement_modules CALLER STATUS (STATUS: exit status without node).
agreement_modules() {
  local caller=$1 status=$2 dir
  dir=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
  if ! command -v node >/dev/null || ! command -v npm >/dev/null; then
    echo "$caller: node and npm are needed (scripts/deps.sh dev)" >&2
    exit "$status"
  fi
  if [ ! -d "$dir/node_modules/chessops" ]; then
    npm ci --prefix "$dir" --no-audit --no-fund --loglevel=error
  fi
}
