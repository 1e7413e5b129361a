#!/usr/bin/env bash
# Builds everything and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh test
scripts/build.sh release
ctest --test-dir build --output-on-failure --no-tests=error -j "$(nproc)"
