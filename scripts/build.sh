#!/usr/bin/env bash
# Configures and builds one flavour of the project.
# Usage: scripts/build.sh [release|sanitize] [extra cmake args...]
set -euo pipefail
cd "$(dirname "$0")/.."

# Every option is given on every configure: CMake keeps cached values, so an
# option left out would silently keep whatever an earlier command chose for
# the same build directory (scripts/example.sh switches the tests off).
# Extra arguments come last and win.
flavour=${1:-release}
shift || true
case "$flavour" in
  release)
    dir=build
    args=(-DCMAKE_BUILD_TYPE=Release -DHUX_SANITIZE=OFF -DHUX_TESTS=ON -DHUX_BENCH=ON -DHUX_FUZZ=OFF -DHUX_PELK=ON)
    ;;
  sanitize)
    dir=build-sanitize
    args=(-DCMAKE_BUILD_TYPE=Debug -DHUX_SANITIZE=ON -DHUX_TESTS=ON -DHUX_BENCH=OFF -DHUX_FUZZ=OFF -DHUX_PELK=ON)
    ;;
  *) echo "unknown flavour: $flavour" >&2; exit 2 ;;
esac

cmake -S . -B "$dir" "${args[@]}" "$@" >/dev/null
cmake --build "$dir" -j "$(nproc)"
