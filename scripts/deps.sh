#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, when missing.
# Usage: scripts/deps.sh [build|test|fuzz|dev]
#   build: compiler and CMake;  test: plus GoogleTest and Google Benchmark;
#   fuzz:  plus clang and its sanitizer runtimes (libFuzzer);
#   dev:   plus the reference tools that bench/ and the agreement scripts compare with.
set -euo pipefail

level=${1:-test}
packages=(g++ cmake make)
if [ "$level" != build ]; then
  packages+=(libgtest-dev libbenchmark-dev)
fi
if [ "$level" = fuzz ] || [ "$level" = dev ]; then
  packages+=(clang libclang-rt-14-dev)
fi
if [ "$level" = dev ]; then
  packages+=(pgn-extract stockfish hyperfine valgrind nodejs $(command -v npm >/dev/null || echo npm))  # npm: unless nodejs brought it
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo=sudo
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}" >/dev/null
