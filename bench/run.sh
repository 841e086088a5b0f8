#!/usr/bin/env bash
# The benchmark: builds everything, starts a Wine session of its own, makes
# packages of about 10 MB, 250 MB and 1 GB from generated product folders
# (bench/make_payload.py, fixed seed) and measures, against peers measured
# in the same run:
#   - the payload copy: the stub's CopyRange against CopyFileW (under Wine)
#     and cp (Linux), on the payload archive;
#   - the installation, from Next on the last wizard page to the finish page,
#     against minizip's miniunz (under Wine) and Info-ZIP unzip (Linux)
#     extracting the same archive; and the whole run, start to end;
#   - the stub's peak working set, read on the finish page;
#   - start to the first window ("Initializing...") and to the wizard;
#   - the uninstallation (Uninst0.exe /S, start to end) against rm -rf of a
#     copy of the installed tree (Linux);
#   - the sizes of the setup stub and the uninstaller for both architectures.
# Each timing is the best of N runs. Prints one Markdown table with the
# machine's description and writes it to bench/results/DATE-ARCH.md.
#
#   bench/run.sh [--sizes 10,250,1000] [--runs N] [--arch x86|x64] [--quick]
#                [--no-build] [--note TEXT]
#
#   --sizes    package sizes in MiB of product files
#   --runs     runs of each timing (default 3, and 1 for sizes of 1000 MiB and
#              more; given, it counts for every size)
#   --arch     x86 (the default where the host runs 32-bit Windows programs)
#              or x64
#   --quick    the 10 MB package alone
#   --no-build take the programs already built
#   --note     a line for the description (say, what else the machine ran)
#
# Everything it makes (packages, installations, archives) lies below
# build/bench/ and is deleted at its end; the ready Wine prefix is kept.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
session_sh="$top/tests/wine/session.sh"

sizes=10,250,1000
runs=""
arch=""
build=1
note=""
while [ $# -gt 0 ]; do
  case "$1" in
    --sizes) sizes=$2; shift 2 ;;
    --runs) runs=$2; shift 2 ;;
    --arch) arch=$2; shift 2 ;;
    --quick) sizes=10; shift ;;
    --no-build) build=0; shift ;;
    --note) note=$2; shift 2 ;;
    -h|--help) sed -n '2,/^set -euo/p' "$0" | sed '$d' | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "run.sh: unknown option $1 (--help lists them)" >&2; exit 2 ;;
  esac
done
case "$sizes" in *[!0-9,]*|"") echo "run.sh: --sizes takes numbers of MiB, such as 10,250,1000" >&2; exit 2 ;; esac
case "$runs" in ""|[1-9]|[1-9][0-9]) ;; *) echo "run.sh: --runs takes a number from 1 to 99" >&2; exit 2 ;; esac
IFS=, read -r -a size_list <<< "$sizes"
for s in "${size_list[@]}"; do
  # tarnpack refuses packages of 2 GiB and more; incompressible files make
  # up almost half of the product, so 1,700 MiB is about the largest.
  if [ "$s" -lt 1 ] || [ "$s" -gt 1700 ]; then echo "run.sh: sizes go from 1 to 1700 MiB" >&2; exit 2; fi
done

{ read -r legs; read -r why; } < <("$session_sh" host)
if [ -z "$arch" ]; then
  case " $legs " in *" x86 "*) arch=x86 ;; *) arch=x64 ;; esac
fi
case "$arch" in
  x86|x64) ;;
  *) echo "run.sh: --arch takes x86 or x64" >&2; exit 2 ;;
esac
case " $legs " in
  *" $arch "*) ;;
  *) echo "run.sh: this host cannot run the $arch build ($why)" >&2; exit 2 ;;
esac
if [ "$arch" = x86 ]; then
  winbin="$top/build/windows/bin"; stub_name=tarnstub.exe
else
  winbin="$top/build/windows64/bin"; stub_name=tarnstub64.exe
fi

if [ "$build" = 1 ]; then
  echo "bench: building (scripts/build.sh)"
  "$top/scripts/build.sh" >/dev/null
fi
for f in "$top/build/bin/tarnpack" "$winbin/$stub_name" "$winbin/bench_drive.exe" "$winbin/copy_bench.exe" \
         "$winbin/miniunz.exe" "$winbin/miniunz_small.exe"; do
  [ -e "$f" ] || { echo "run.sh: $f is missing: build first (scripts/build.sh)" >&2; exit 1; }
done
if ! command -v unzip >/dev/null; then
  echo "bench: installing Info-ZIP unzip"
  apt-get install -y unzip >/dev/null || { apt-get update >/dev/null && apt-get install -y unzip >/dev/null; }
fi

bench="$top/build/bench"
work="$bench/work"
session="$bench/wine-$arch"
drive_c="$session/prefix/drive_c"
product_name="Bench Product"
cleanup() {
  "$session_sh" stop "$session" >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT
rm -rf "$work"
mkdir -p "$work"
echo "bench: starting the $arch Wine session"
"$session_sh" start "$session" "$arch" "$winbin" >/dev/null
mkdir -p "$drive_c/bench"
installed="$drive_c/Program Files/$product_name"
load_start=$(cut -d' ' -f1-3 /proc/loadavg)

# The setup script of every package: the wizard's welcome, destination and
# Start-menu group pages (the group page is the last before the
# installation), an uninstall entry, no tasks.
mkdir -p "$work/info/Config"
printf '\xEF\xBB\xBF[GeneralInformation]\r\nAppName = %s\r\nVersion = 1.0\r\nCompanyName = Bench\r\n\r\n[iConfig]\r\nPathChangeable = 1\r\nAutoCreateStartMenu = 1\r\n\r\n[uConfig]\r\nIconExtUninst = 1\r\n' \
  "$product_name" > "$work/info/Config/Script.ini"

# Runs a Windows program of the session; its output goes through a file
# (Wine's background processes would keep a pipe open).
win() {
  "$session_sh" run "$session" "$@" > "$work/out.txt" 2>/dev/null || { cat "$work/out.txt" >&2; return 1; }
  # The console ends lines with CR LF.
  tr -d '\r' < "$work/out.txt"
}
field() { awk -v k="$1" '$1 == k { print $2 }' <<< "$2"; }
now() { echo "$EPOCHREALTIME"; }
elapsed() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.4f", b - a }'; }

# Best (lowest) and highest figures, by "measure:size".
declare -A fig
keep_min() {
  local k="$1:$2" v=$3
  [ -z "$v" ] && return
  if [ -z "${fig[$k]:-}" ] || awk -v a="$v" -v b="${fig[$k]}" 'BEGIN { exit !(a < b) }'; then fig[$k]=$v; fi
}
keep_max() {
  local k="$1:$2" v=$3
  [ -z "$v" ] && return
  if [ -z "${fig[$k]:-}" ] || awk -v a="$v" -v b="${fig[$k]}" 'BEGIN { exit !(a > b) }'; then fig[$k]=$v; fi
}
fig_set() { fig[$1:$2]=$3; }

for size in "${size_list[@]}"; do
  n=${runs:-$([ "$size" -ge 1000 ] && echo 1 || echo 3)}
  fig_set runs "$size" "$n"
  echo "bench: $size MiB: generating the product and its package"
  payload="$work/payload"
  rm -rf "$payload"
  made=$(python3 "$top/bench/make_payload.py" "$size" "$payload")
  files=${made%% files*}
  fig_set files "$size" "$files"
  package="$drive_c/bench/Setup.exe"
  "$top/build/bin/tarnpack" --payload "$payload" --info "$work/info" --out "$package" --arch "$arch" >/dev/null
  rm -rf "$payload"
  fig_set package "$size" "$(stat -c %s "$package")"

  # The payload archive, as the package's unpack-only mode writes it.
  win P:\\bench_drive.exe unpack 'C:\bench\Setup.exe' 'C:\bench\zip' >/dev/null
  archive="$drive_c/bench/zip/ProgramData.zip"
  fig_set archive "$size" "$(stat -c %s "$archive")"

  for run in $(seq "$n"); do
    echo "bench: $size MiB: payload copy and extraction by the peers, run $run of $n"
    sync
    out=$(win P:\\copy_bench.exe 'C:\bench\zip\ProgramData.zip' 'C:\bench\copy.bin')
    keep_min copyrange "$size" "$(field CopyRange "$out")"
    keep_min copyfile "$size" "$(field CopyFileW "$out")"
    sync
    t0=$(now); cp "$archive" "$work/cp.bin"; t1=$(now)
    keep_min cp "$size" "$(elapsed "$t0" "$t1")"
    rm -f "$work/cp.bin"

    for tool in miniunz miniunz_small; do
      rm -rf "$drive_c/bench/mz"
      mkdir -p "$drive_c/bench/mz"
      sync
      out=$(win P:\\bench_drive.exe run "P:\\$tool.exe" -x -o 'C:\bench\zip\ProgramData.zip' -d 'C:\bench\mz')
      keep_min "$tool" "$size" "$(field run "$out")"
      got=$(find "$drive_c/bench/mz" -type f | wc -l)
      [ "$got" = "$files" ] || echo "bench: WARNING: $tool wrote $got files of $files" >&2
    done
    rm -rf "$drive_c/bench/mz"
    # What of miniunz's time is its start and end alone: a run that only prints its usage.
    out=$(win P:\\bench_drive.exe run P:\\miniunz.exe)
    keep_min miniunz_start "$size" "$(field run "$out")"

    sync
    t0=$(now); unzip -q -o "$archive" -d "$work/uz"; t1=$(now)
    keep_min unzip "$size" "$(elapsed "$t0" "$t1")"
    rm -rf "$work/uz"
  done
  rm -rf "$drive_c/bench/zip"

  for run in $(seq "$n"); do
    echo "bench: $size MiB: installation and removal, run $run of $n"
    sync
    out=$(win P:\\bench_drive.exe install 'C:\bench\Setup.exe') || { echo "$out" >&2; exit 1; }
    keep_min first_window "$size" "$(field first_window "$out")"
    keep_min wizard_window "$size" "$(field wizard_window "$out")"
    keep_min install "$size" "$(field install "$out")"
    keep_min whole_run "$size" "$(field whole_run "$out")"
    keep_max peak_ws "$size" "$(field peak_working_set "$out")"
    got=$(find "$installed" -type f | wc -l)
    if [ "$got" != $((files + 2)) ]; then
      echo "bench: the installation left $got files, not the $files of the product and the uninstaller's two" >&2
      exit 1
    fi

    # For the analysis: Wine's own cmd deleting a copy of the same tree
    # (what deleting files costs under Wine at all).
    cp -a "$installed" "$drive_c/bench/tree"
    sync
    out=$(win P:\\bench_drive.exe run 'C:\windows\system32\cmd.exe' /c rd /s /q 'C:\bench\tree')
    keep_min rd "$size" "$(field run "$out")"
    [ -e "$drive_c/bench/tree" ] && { echo "bench: WARNING: rd /s /q left the tree" >&2; rm -rf "$drive_c/bench/tree"; }

    # rm -rf of a copy of the same tree.
    cp -a "$installed" "$work/tree"
    sync
    t0=$(now); rm -rf "$work/tree"; t1=$(now)
    keep_min rm "$size" "$(elapsed "$t0" "$t1")"

    sync
    out=$(win P:\\bench_drive.exe uninstall "C:\\Program Files\\$product_name\\Uninst0.exe") || { echo "$out" >&2; exit 1; }
    keep_min uninstall "$size" "$(field uninstall "$out")"
    code=$(field exit_code "$out")
    if [ "$code" != 0 ] && [ -z "${uninstall_note:-}" ]; then
      uninstall_note="Uninst0.exe /S ended with exit code $code (its copy in the temporary folder ended with $(field second_stage_exit_code "$out")); the time runs to the end of both"
      echo "bench: NOTE: $uninstall_note" >&2
    fi
    # The copy of the uninstaller deletes itself once it has ended.
    for _ in $(seq 1 100); do [ -e "$installed" ] || break; sleep 0.1; done
    if [ -e "$installed" ]; then
      echo "bench: WARNING: the uninstaller left $(find "$installed" | wc -l) entries; removed by hand" >&2
      rm -rf "$installed"
    fi
  done
  rm -f "$package"
done
load_end=$(cut -d' ' -f1-3 /proc/loadavg)

# ---- the table ----
f3() { [ -n "${1:-}" ] && awk -v v="$1" 'BEGIN { printf "%.3f", v }' || echo "—"; }
ratio() { [ -n "${1:-}" ] && [ -n "${2:-}" ] && awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "—" }' || echo "—"; }
mib() { [ -n "${1:-}" ] && awk -v v="$1" 'BEGIN { printf "%.1f", v / 1048576 }' || echo "—"; }
bytes() { awk -v v="$1" 'BEGIN { printf "%.1f KiB (%d bytes)", v / 1024, v }'; }
first="${size_list[0]}"
row() {  # label, then a command that prints the cell of a size
  local label=$1; shift
  local line="| $label |"
  for s in "${size_list[@]}"; do line+=" $("$@" "$s") |"; done
  echo "$line"
}
t() { f3 "${fig[$1:$2]:-}"; }
r() { ratio "${fig[$1:$3]:-}" "${fig[$2:$3]:-}"; }
m() { mib "${fig[$1:$2]:-}"; }
v() { echo "${fig[$1:$2]:-—}"; }
growth() { ratio_mib=$(awk -v a="${fig[peak_ws:$1]:-0}" -v b="${fig[peak_ws:$first]:-0}" 'BEGIN { printf "%+.2f", (a - b) / 1048576 }'); echo "$ratio_mib"; }
size_cell() { [ "$2" = "$first" ] && bytes "$(stat -c %s "$1")" || echo ""; }
wine_version=$("$session_sh" shell "$session" sh -c '"$WINELOADER" --version' 2>/dev/null || echo unknown)
cpu=$(lscpu 2>/dev/null | awk -F: '/^Model name/ { sub(/^[ \t]+/, "", $2); print $2; exit }')
memory=$(awk '/^MemTotal/ { printf "%.1f GiB", $2 / 1048576 }' /proc/meminfo)
commit=$(git -C "$top" rev-parse --short HEAD 2>/dev/null || echo unknown)
git -C "$top" diff --quiet HEAD 2>/dev/null || commit+=" (with changes)"
day=$(date -u +%Y-%m-%d)
header="| Measure (seconds unless said; best of the runs) |"
rule="|---|"
for s in "${size_list[@]}"; do header+=" $s MiB |"; rule+="---:|"; done
report=$(
  echo "# Benchmark, $day, $arch"
  echo
  echo "- Machine: ${cpu:-unknown CPU}, $(nproc) cores, $memory memory, $(uname -sr)"
  echo "- Wine: $wine_version, $arch prefix, the $arch build ($stub_name)"
  echo "- Date: $(date -u '+%Y-%m-%d %H:%M UTC'); commit $commit"
  echo "- Load average (1, 5, 15 min) at the start: $load_start; at the end: $load_end"
  [ -n "$note" ] && echo "- Note: $note"
  [ -n "${uninstall_note:-}" ] && echo "- Seen: $uninstall_note"
  echo
  echo "$header"
  echo "$rule"
  row "Runs" v runs
  row "Product files" v files
  row "Package (MiB)" m package
  row "Payload archive (MiB)" m archive
  row "Payload copy: stub CopyRange (Wine)" t copyrange
  row "Payload copy: CopyFileW (Wine)" t copyfile
  row "Payload copy: cp (Linux)" t cp
  row "**Ratio copy stub / CopyFileW** (target ≤ 1)" r copyrange copyfile
  row "Ratio copy stub / cp" r copyrange cp
  row "Installation: Next → finish page (Wine)" t install
  row "Extraction: miniunz (Wine, start → end)" t miniunz
  row "Of which miniunz's start and end alone: a run that prints its usage (Wine)" t miniunz_start
  row "Extraction: unzip (Linux)" t unzip
  row "**Ratio installation / miniunz** (target ≤ 1.3 at 10 MB, ≤ 1.15 at 250 MB)" r install miniunz
  row "Ratio installation / unzip" r install unzip
  row "For analysis: miniunz over the stub's zlib and minizip build (Wine)" t miniunz_small
  row "Whole run: start → end, wizard walked (Wine)" t whole_run
  row "Start → first window, \"Initializing...\" (Wine)" t first_window
  row "Start → wizard window (Wine)" t wizard_window
  row "Peak working set of the stub (MiB)" m peak_ws
  row "Peak working set growth from $first MiB (MiB, target < 1)" growth
  row "Uninstallation: Uninst0.exe /S, start → end of the removal (Wine)" t uninstall
  row "Removal: rm -rf (Linux)" t rm
  row "**Ratio uninstallation / rm -rf** (target ≤ 1.5)" r uninstall rm
  row "For analysis: cmd /c rd /s /q of the same tree (Wine, start → end)" t rd
  row "For analysis: ratio uninstallation / rd /s /q" r uninstall rd
  row "Size: tarnstub.exe (i686)" size_cell "$top/build/windows/bin/tarnstub.exe"
  row "Size: Uninstaller.exe (i686)" size_cell "$top/build/windows/bin/Uninstaller.exe"
  row "Size: tarnstub64.exe (x86_64)" size_cell "$top/build/windows64/bin/tarnstub64.exe"
  row "Size: Uninstaller64.exe (x86_64)" size_cell "$top/build/windows64/bin/Uninstaller64.exe"
)
mkdir -p "$top/bench/results"
result="$top/bench/results/$day-$arch.md"
echo "$report" > "$result"
echo
echo "$report"
echo
echo "bench: written to ${result#"$top"/}"
