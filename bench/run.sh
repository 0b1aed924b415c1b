#!/usr/bin/env bash
# Builds the comparison in build-bench (Release) and runs it.
# Usage: bench/run.sh [rounds] [corpus|scaling]
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DXMLSLICE_BUILD_BENCH=ON \
  -DXMLSLICE_BUILD_TESTS=OFF >/dev/null
cmake --build build-bench -j2 --target xmlslice_compare >/dev/null
exec build-bench/bench/xmlslice_compare "$@"
