#!/usr/bin/env bash
# The benchmark: builds everything, starts a Wine session of its own, makes
# packages of about 10 MB, 250 MB and 1 GB from generated product folders
# (bench/make_payload.py, fixed seed) and one of real files (a copy of files
# of the machine's own packages: the Python standard library, documentation,
# compiler binaries), and measures, against peers measured in the same run,
# in rounds whose order turns round from one round to the next:
#   - the payload copy: the stub's CopyRange against CopyFileW (under Wine)
#     and cp (Linux), on the payload archive;
#   - the installation, from Next on the last wizard page to the finish page,
#     against minizip's miniunz (under Wine, built as the stub is) and
#     Info-ZIP unzip (Linux) extracting the same archive; the whole run,
#     start to end; the silent installation (Setup.exe /S /D=) against NSIS 3
#     installers of the same files (zlib and lzma, solid, /S /D=), start to end;
#   - the package sizes: tarnpack at its default level and at --level 1,
#     NSIS zlib and lzma;
#   - the stub's peak working set, read on the finish page;
#   - start to the first window ("Initializing...") and to the wizard;
#   - the uninstallation (Uninst0.exe /S, start to end) against rm -rf of a
#     copy of the installed tree (Linux);
#   - the sizes of the setup stub and the uninstaller for both architectures.
# Each timing is the best of N runs. Prints one Markdown table with the
# machine's description and writes it to bench/results/DATE-ARCH.md.
#
#   bench/run.sh [--sizes 10,250,1000] [--no-real] [--no-lzma] [--runs N]
#                [--arch x86|x64] [--quick] [--no-build] [--note TEXT]
#
#   --sizes    package sizes in MiB of generated product files, or nCOUNT
#              (n10000): COUNT files of 1 KB in twenty folders; from
#              n100000 on, the stub's installation alone is measured (its
#              time and peak working set; the tree is then removed by hand)
#   --no-real  without the payload of real files
#   --no-lzma  without the NSIS lzma installer (its build is the slowest step)
#   --runs     runs of each timing (default 3, and 1 for sizes of 1000 MiB and
#              more; given, it counts for every size)
#   --arch     x86 (the default where the host runs 32-bit Windows programs)
#              or x64
#   --quick    the 10 MB package alone, without the real files
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
real=1
nsis_compressors="zlib lzma"
while [ $# -gt 0 ]; do
  case "$1" in
    --sizes) sizes=$2; shift 2 ;;
    --runs) runs=$2; shift 2 ;;
    --arch) arch=$2; shift 2 ;;
    --quick) sizes=10; real=0; shift ;;
    --no-real) real=0; shift ;;
    --no-lzma) nsis_compressors=zlib; shift ;;
    --no-build) build=0; shift ;;
    --note) note=$2; shift 2 ;;
    -h|--help) sed -n '2,/^set -euo/p' "$0" | sed '$d' | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "run.sh: unknown option $1 (--help lists them)" >&2; exit 2 ;;
  esac
done
case "$sizes" in *[!0-9,n]*|"") echo "run.sh: --sizes takes numbers of MiB or nCOUNT, such as n10000,250,1000" >&2; exit 2 ;; esac
case "$runs" in ""|[1-9]|[1-9][0-9]) ;; *) echo "run.sh: --runs takes a number from 1 to 99" >&2; exit 2 ;; esac
IFS=, read -r -a size_list <<< "$sizes"
for s in "${size_list[@]}"; do
  [[ "$s" =~ ^n?[1-9][0-9]*$ ]] || { echo "run.sh: --sizes takes numbers of MiB or nCOUNT, not '$s'" >&2; exit 2; }
  if [ "${s#n}" != "$s" ]; then
    if [ "${s#n}" -lt 1 ] || [ "${s#n}" -gt 1000000 ]; then echo "run.sh: counts go from n1 to n1000000" >&2; exit 2; fi
    continue
  fi
  # tarnpack refuses packages of 2 GiB and more; incompressible files make
  # up almost half of the product, so 1,700 MiB is about the largest.
  if [ "$s" -lt 1 ] || [ "$s" -gt 1700 ]; then echo "run.sh: sizes go from 1 to 1700 MiB" >&2; exit 2; fi
done
[ "$real" = 1 ] && size_list+=(real)

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
         "$winbin/miniunz.exe" "$winbin/miniunz_fast.exe"; do
  [ -e "$f" ] || { echo "run.sh: $f is missing: build first (scripts/build.sh)" >&2; exit 1; }
done
if ! command -v unzip >/dev/null; then
  echo "bench: installing Info-ZIP unzip"
  apt-get install -y unzip >/dev/null || { apt-get update >/dev/null && apt-get install -y unzip >/dev/null; }
fi

# NSIS 3 is a peer, installed like unzip; where it cannot be installed its
# columns stay empty, and the run says so at its start and in the table.
have_nsis=1
if ! command -v makensis >/dev/null; then
  apt-get install -y nsis >/dev/null 2>&1 || { apt-get update >/dev/null && apt-get install -y nsis >/dev/null; } || true
fi
if ! command -v makensis >/dev/null; then
  have_nsis=0
  echo "bench: ***** makensis is missing: NSIS is NOT measured (apt-get install -y nsis) *****" >&2
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

# The real files: a copy of files of the machine's own packages (the Python
# standard library, 1,800 documentation files, three compiler binaries),
# the same on every machine with the same packages.
copy_real_files() {
  local to=$1 f
  mkdir -p "$to"
  {
    find /usr/lib/python3.11 -type f | sort
    find /usr/share/doc -type f | sort | sed -n 1,1800p
    for f in /usr/lib/gcc/x86_64-linux-gnu/12/cc1 /usr/lib/gcc/x86_64-linux-gnu/12/cc1plus \
             /usr/lib/gcc/x86_64-linux-gnu/12/lto1; do [ -f "$f" ] && echo "$f"; done
  } | grep -v '[:\\*?"<>|]' | sed 's|^/||' > "$work/real-files.txt"  # names Windows cannot take are left out
  tar -C / -cf - --files-from="$work/real-files.txt" | tar -xf - -C "$to" --strip-components=1
}

# An NSIS script that installs the payload folder silently.
nsis_script() {  # compressor, payload folder, output
  printf 'Unicode true\nName "Bench NSIS"\nOutFile "%s"\nSetCompressor /SOLID %s\nInstallDir "C:\\bench\\nsis"\nRequestExecutionLevel admin\nSilentInstall silent\nSection\n  SetOutPath "$INSTDIR"\n  File /r "%s/*"\nSectionEnd\n' \
    "$3" "$1" "$2"
}

# One peer's run: its time is kept as the best of the runs.
job() {
  local what=$1 size=$2 out got
  case "$what" in
    copy)
      sync
      out=$(win P:\\copy_bench.exe 'C:\bench\zip\ProgramData.zip' 'C:\bench\copy.bin')
      keep_min copyrange "$size" "$(field CopyRange "$out")"
      keep_min copyfile "$size" "$(field CopyFileW "$out")"
      sync
      t0=$(now); cp "$archive" "$work/cp.bin"; t1=$(now)
      keep_min cp "$size" "$(elapsed "$t0" "$t1")"
      rm -f "$work/cp.bin" ;;
    miniunz|miniunz_fast)
      rm -rf "$drive_c/bench/mz"
      mkdir -p "$drive_c/bench/mz"
      sync
      out=$(win P:\\bench_drive.exe run "P:\\$what.exe" -x -o 'C:\bench\zip\ProgramData.zip' -d 'C:\bench\mz')
      keep_min "$what" "$size" "$(field run "$out")"
      got=$(find "$drive_c/bench/mz" -type f | wc -l)
      [ "$got" = "$files" ] || echo "bench: WARNING: $what wrote $got files of $files" >&2
      rm -rf "$drive_c/bench/mz"
      # What of miniunz's time is its start and end alone: a run that only prints its usage.
      if [ "$what" = miniunz ]; then
        out=$(win P:\\bench_drive.exe run P:\\miniunz.exe) || true
        keep_min miniunz_start "$size" "$(field run "$out")"
      fi ;;
    unzip)
      sync
      t0=$(now); unzip -q -o "$archive" -d "$work/uz"; t1=$(now)
      keep_min unzip "$size" "$(elapsed "$t0" "$t1")"
      rm -rf "$work/uz" ;;
    nsis_zlib|nsis_lzma)
      [ -e "$drive_c/bench/$what.exe" ] || return 0
      rm -rf "$drive_c/bench/nsis"
      sync
      out=$(win P:\\bench_drive.exe run "C:\\bench\\$what.exe" /S '/D=C:\bench\nsis') || { echo "$out" >&2; exit 1; }
      keep_min "$what" "$size" "$(field run "$out")"
      got=$(find "$drive_c/bench/nsis" -type f | wc -l)
      [ "$got" = "$files" ] || echo "bench: WARNING: $what installed $got files of $files" >&2
      rm -rf "$drive_c/bench/nsis" ;;
    silent)
      sync
      out=$(win P:\\bench_drive.exe run 'C:\bench\Setup.exe' /S '/D=C:\bench\ours') || { echo "$out" >&2; exit 1; }
      keep_min silent "$size" "$(field run "$out")"
      got=$(find "$drive_c/bench/ours" -type f | wc -l)
      [ "$got" = $((files + 2)) ] || echo "bench: WARNING: the silent installation left $got files, not $((files + 2))" >&2
      win P:\\bench_drive.exe uninstall 'C:\bench\ours\Uninst0.exe' >/dev/null || true
      for _ in $(seq 1 100); do [ -e "$drive_c/bench/ours" ] || break; sleep 0.1; done
      rm -rf "$drive_c/bench/ours" ;;
    install)
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
      [ "$stub_alone" = 1 ] || {
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
      }
      sync
      if [ "$stub_alone" = 1 ]; then
        # The installation alone: the tree and the uninstall entry go by hand.
        rm -rf "$installed"
        win reg delete "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$product_name" /f >/dev/null || true
        return 0
      fi
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
      fi ;;
  esac
}

# Every peer runs in every round; the order turns round from one round to
# the next, so that no peer always runs first (or last) on a warm cache.
peers=(install silent miniunz nsis_zlib unzip nsis_lzma miniunz_fast copy)
for size in "${size_list[@]}"; do
  # From 100,000 files on, the stub alone: its installation, peak working
  # set and uninstallation.
  stub_alone=0
  size_peers=("${peers[@]}")
  case "$size" in
    real) n=${runs:-3} ;;
    n*) n=${runs:-3}
        if [ "${size#n}" -ge 100000 ]; then stub_alone=1; size_peers=(install); n=${runs:-1}; fi ;;
    *) n=${runs:-$([ "$size" -ge 1000 ] && echo 1 || echo 3)} ;;
  esac
  fig_set runs "$size" "$n"
  payload="$work/payload"
  rm -rf "$payload"
  if [ "$size" = real ]; then
    echo "bench: real files: copying them and making the packages"
    copy_real_files "$payload"
    files=$(find "$payload" -type f | wc -l)
    fig_set real_mib real "$(du -sm --apparent-size "$payload" | cut -f1)"
  else
    echo "bench: $size: generating the product and making the packages"
    made=$(python3 "$top/bench/make_payload.py" "$size" "$payload")
    files=${made%% files*}
  fi
  fig_set files "$size" "$files"
  package="$drive_c/bench/Setup.exe"
  t0=$(now)
  "$top/build/bin/tarnpack" --payload "$payload" --info "$work/info" --out "$package" --arch "$arch" >/dev/null
  t1=$(now)
  fig_set build "$size" "$(elapsed "$t0" "$t1")"
  fig_set package "$size" "$(stat -c %s "$package")"
  if [ "$stub_alone" = 0 ]; then
  t0=$(now)
  "$top/build/bin/tarnpack" --payload "$payload" --info "$work/info" --out "$work/fast.exe" --arch "$arch" --level 1 >/dev/null
  t1=$(now)
  fig_set build1 "$size" "$(elapsed "$t0" "$t1")"
  fig_set package1 "$size" "$(stat -c %s "$work/fast.exe")"
  rm -f "$work/fast.exe"
  fi
  if [ "$have_nsis" = 1 ] && [ "$stub_alone" = 0 ]; then
    for c in $nsis_compressors; do
      nsis_script "$c" "$payload" "$drive_c/bench/nsis_$c.exe" > "$work/bench.nsi"
      t0=$(now)
      makensis -V1 "$work/bench.nsi" >/dev/null
      t1=$(now)
      fig_set "nsis_${c}_build" "$size" "$(elapsed "$t0" "$t1")"
      fig_set "nsis_${c}_package" "$size" "$(stat -c %s "$drive_c/bench/nsis_$c.exe")"
    done
  fi
  rm -rf "$payload"

  # The payload archive, as the package's unpack-only mode writes it.
  win P:\\bench_drive.exe unpack 'C:\bench\Setup.exe' 'C:\bench\zip' >/dev/null
  archive="$drive_c/bench/zip/ProgramData.zip"
  fig_set archive "$size" "$(stat -c %s "$archive")"

  for run in $(seq "$n"); do
    order=("${size_peers[@]}")
    if [ $((run % 2)) = 0 ]; then
      order=()
      for ((i = ${#size_peers[@]} - 1; i >= 0; i--)); do order+=("${size_peers[$i]}"); done
    fi
    echo "bench: $size: round $run of $n: ${order[*]}"
    for p in "${order[@]}"; do job "$p" "$size"; done
  done
  rm -rf "$drive_c/bench/zip"
  rm -f "$package" "$drive_c/bench"/nsis_*.exe
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
for s in "${size_list[@]}"; do
  case "$s" in
    real) header+=" real files (${fig[real_mib:real]:-?} MiB) |" ;;
    n*) header+=" ${s#n} files of 1 KB |" ;;
    *) header+=" $s MiB |" ;;
  esac
  rule+="---:|"
done
report=$(
  echo "# Benchmark, $day, $arch"
  echo
  echo "- Machine: ${cpu:-unknown CPU}, $(nproc) cores, $memory memory, $(uname -sr)"
  echo "- Wine: $wine_version, $arch prefix, the $arch build ($stub_name)"
  echo "- Date: $(date -u '+%Y-%m-%d %H:%M UTC'); commit $commit"
  echo "- Load average (1, 5, 15 min) at the start: $load_start; at the end: $load_end"
  [ -n "$note" ] && echo "- Note: $note"
  [ "$have_nsis" = 1 ] || echo "- **makensis was missing: NSIS was not measured**"
  echo "- Peers run in rounds whose order turns round each round: ${peers[*]}"
  [ -n "${uninstall_note:-}" ] && echo "- Seen: $uninstall_note"
  echo
  echo "$header"
  echo "$rule"
  row "Runs" v runs
  row "Product files" v files
  row "Package (MiB)" m package
  row "Package at --level 1 (MiB)" m package1
  row "Package: NSIS zlib, solid (MiB)" m nsis_zlib_package
  row "Package: NSIS lzma, solid (MiB)" m nsis_lzma_package
  row "**Ratio package / NSIS zlib** (target ≤ 1.08 on real files)" r package nsis_zlib_package
  row "Build: tarnpack (default level)" t build
  row "Build: tarnpack --level 1" t build1
  row "Build: makensis zlib" t nsis_zlib_build
  row "Build: makensis lzma" t nsis_lzma_build
  row "Payload archive (MiB)" m archive
  row "Payload copy: stub CopyRange (Wine)" t copyrange
  row "Payload copy: CopyFileW (Wine)" t copyfile
  row "Payload copy: cp (Linux)" t cp
  row "**Ratio copy stub / CopyFileW** (target ≤ 1)" r copyrange copyfile
  row "Ratio copy stub / cp" r copyrange cp
  row "Installation: Next → finish page (Wine)" t install
  row "Silent installation: Setup.exe /S /D=, start → end (Wine)" t silent
  row "NSIS zlib, solid: /S /D=, start → end (Wine)" t nsis_zlib
  row "NSIS lzma, solid: /S /D=, start → end (Wine)" t nsis_lzma
  row "**Ratio silent installation / NSIS zlib** (target ≤ 0.8)" r silent nsis_zlib
  row "Ratio silent installation / NSIS lzma" r silent nsis_lzma
  row "**Ratio silent installation / miniunz**" r silent miniunz
  row "Extraction: miniunz, built as the stub is (Wine, start → end)" t miniunz
  row "Of which miniunz's start and end alone: a run that prints its usage (Wine)" t miniunz_start
  row "Extraction: unzip (Linux)" t unzip
  row "**Ratio installation / miniunz** (target ≤ 1.0)" r install miniunz
  row "Ratio installation / unzip" r install unzip
  row "For analysis: miniunz at -O2 over a whole zlib (Wine)" t miniunz_fast
  row "Whole run: start → end, wizard walked (Wine)" t whole_run
  row "Start → first window, \"Initializing...\" (Wine)" t first_window
  row "Start → wizard window (Wine)" t wizard_window
  row "Peak working set of the stub (MiB)" m peak_ws
  row "Peak working set growth from the first column (MiB, target < 1)" growth
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
k=2
while [ -e "$result" ]; do result="$top/bench/results/$day-$arch-$k.md"; k=$((k + 1)); done
echo "$report" > "$result"
echo
echo "$report"
echo
echo "bench: written to ${result#"$top"/}"
