#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, when missing.
# Usage: scripts/deps.sh [build|test|fuzz|dev]
#   build: compiler, CMake and the compression libraries, for hux alone;
#   test:  plus Qt 6 Widgets (for pelk, the query editor), the DejaVu fonts
#          (the result viewer draws its pieces with their chess glyphs),
#          GoogleTest, Google Benchmark, a virtual X display with a keyboard
#          driver and a clipboard tool for the real-window checks, the tools
#          that check the installation (manual pages, desktop entry, Debian
#          package), the compression tools that make the compressed test
#          files, and GNU parallel for the README's recipe;
#   fuzz:  plus clang and its sanitizer runtimes (libFuzzer);
#   dev:   plus the reference tools that bench/ and the agreement scripts compare with,
#          and screenshots of the editor's window.
set -euo pipefail

level=${1:-test}
packages=(g++ cmake make pkg-config zlib1g-dev libzstd-dev libbz2-dev liblzma-dev)
if [ "$level" != build ]; then
  packages+=(qt6-base-dev qt6-qpa-plugins fonts-dejavu-core libgtest-dev libbenchmark-dev xvfb
             xdotool xclip man-db desktop-file-utils dpkg-dev)
  packages+=(gzip zstd bzip2 xz-utils tar parallel)
fi
if [ "$level" = fuzz ] || [ "$level" = dev ]; then
  packages+=(clang libclang-rt-14-dev)
fi
if [ "$level" = dev ]; then
  packages+=(pgn-extract stockfish hyperfine valgrind imagemagick nodejs)
  # npm, unless the installed node brought its own.
  command -v npm >/dev/null || packages+=(npm)
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
