#!/usr/bin/env bash
# Configures and builds everything into build/ (the native tools and tests,
# and the Windows programs in build/windows).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cmake -S "$top" -B "$top/build" -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build "$top/build" -j "$(nproc)"
