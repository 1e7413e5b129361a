#!/usr/bin/env bash
# Configures and builds one flavour of the project.
# Usage: scripts/build.sh [release|sanitize] [extra cmake args...]
set -euo pipefail
cd "$(dirname "$0")/.."

flavour=${1:-release}
shift || true
case "$flavour" in
  release)  dir=build;          args=(-DCMAKE_BUILD_TYPE=Release) ;;
  sanitize) dir=build-sanitize; args=(-DCMAKE_BUILD_TYPE=Debug -DHUX_SANITIZE=ON -DHUX_BENCH=OFF) ;;
  *) echo "unknown flavour: $flavour" >&2; exit 2 ;;
esac

cmake -S . -B "$dir" "${args[@]}" "$@" >/dev/null
cmake --build "$dir" -j "$(nproc)"
