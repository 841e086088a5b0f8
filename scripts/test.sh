#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite: native
# unit tests (also under the sanitizers and the fuzzer), and the Windows
# tests under Wine in a virtual display.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/bootstrap.sh"
"$top/scripts/build.sh"
cd "$top/build"
ctest --output-on-failure -j 2 "$@"
