#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite: native
# unit tests (also under the sanitizers and the fuzzer), and the Windows
# tests under Wine in a virtual display, on the builds this host can run
# (TARN_WINE_ARCH=x86|x64|both forces one; see README). Arguments go to
# ctest.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/bootstrap.sh"
{ read -r legs; read -r why; } < <("$top/tests/wine/session.sh" host)
echo "test: Wine suite on the build(s) for: $legs ($why)"
"$top/scripts/build.sh"
cd "$top/build"
status=0
ctest --output-on-failure -j 2 "$@" || status=$?
# Cases that cannot run on this host say so in their output; they are listed
# here, so that none goes unnoticed among the passes.
if grep -q ': Skipped$' Testing/Temporary/LastTest.log 2>/dev/null; then
  echo "test: not checked on this host:"
  grep -A1 ': Skipped$' Testing/Temporary/LastTest.log | grep -v -e ': Skipped$' -e '^--$' | sort -u | sed 's/^/  /'
fi
exit "$status"
