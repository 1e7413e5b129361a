#!/usr/bin/env bash
# Builds hux and runs an example query over the sample games in examples/.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh build
scripts/build.sh release -DHUX_TESTS=OFF -DHUX_BENCH=OFF -DHUX_PELK=OFF
cd examples
../build/hux ${1:-example.hux}
