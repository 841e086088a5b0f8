#!/usr/bin/env bash
# Copies a 200 MB payload the way the setup stub does (under Wine, through
# the stub's own copy routine) and with cp on the same file system, and
# prints the times and their ratio. Build first (scripts/build.sh).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
session="$top/build/bench-wine"
trap '"$top/tests/wine/session.sh" stop "$session"' EXIT
"$top/tests/wine/session.sh" start "$session" >/dev/null
dir="$session/prefix/drive_c/bench"
mkdir -p "$dir"
head -c $((200 * 1024 * 1024)) /dev/urandom > "$dir/payload.bin"
cp "$top/build/windows/bin/copy_bench.exe" "$dir/"
sync

runs=3
best_stub=999999; best_copyfile=999999; best_cp=999999
for i in $(seq $runs); do
  out=$("$top/tests/wine/session.sh" run "$session" 'C:\bench\copy_bench.exe' 'C:\bench\payload.bin' 'C:\bench\copy.bin')
  stub=$(echo "$out" | awk '/CopyRange/ {print $2}')
  copyfile=$(echo "$out" | awk '/CopyFileW/ {print $2}')
  start=$(date +%s.%N); cp "$dir/payload.bin" "$dir/cp.bin"; end=$(date +%s.%N); rm -f "$dir/cp.bin"
  cp_time=$(echo "$end - $start" | bc -l)
  best_stub=$(echo "if ($stub < $best_stub) $stub else $best_stub" | bc -l)
  best_copyfile=$(echo "if ($copyfile < $best_copyfile) $copyfile else $best_copyfile" | bc -l)
  best_cp=$(echo "if ($cp_time < $best_cp) $cp_time else $best_cp" | bc -l)
done
printf 'payload copy of 200 MiB, best of %d runs\n' "$runs"
printf '  setup stub (CopyRange, 5 MiB chunks, under Wine): %.3f s\n' "$best_stub"
printf '  CopyFileW (under Wine):                            %.3f s\n' "$best_copyfile"
printf '  cp (Linux):                                        %.3f s\n' "$best_cp"
printf '  ratio stub / cp: %.2f   stub / CopyFileW: %.2f\n' "$(echo "$best_stub / $best_cp" | bc -l)" \
  "$(echo "$best_stub / $best_copyfile" | bc -l)"
