#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, when missing.
# Usage: scripts/deps.sh [build|test|dev]
#   build: compiler and CMake;  test: plus GoogleTest and Google Benchmark;
#   dev:   plus clang (fuzzing) and the reference tools used by bench/.
set -euo pipefail

level=${1:-test}
packages=(g++ cmake make)
if [ "$level" != build ]; then
  packages+=(libgtest-dev libbenchmark-dev)
fi
if [ "$level" = dev ]; then
  packages+=(clang libclang-rt-14-dev pgn-extract stockfish hyperfine)
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
