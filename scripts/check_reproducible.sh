#!/usr/bin/env bash
# Builds the setup programs of the checked-out commit twice from clean
# copies in two folders of different names and depths, and compares
# tarnstub.exe, tarnstub64.exe and both uninstallers byte for byte.
#
#   scripts/check_reproducible.sh [WORK-FOLDER]
#
# Without a folder a temporary one is used (and removed when the programs
# are the same). It takes as long as four clean builds of the two programs
# (no compiler cache: a cached object would hide a difference); run it at
# low priority (nice). Not part of the test suite.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
work=${1:-$(mktemp -d /tmp/tarnwick-reproducible.XXXXXX)}
mkdir -p "$work"
commit=$(git -C "$top" rev-parse HEAD)
[ -z "$(git -C "$top" status --porcelain --untracked-files=no)" ] ||
  echo "check_reproducible: the working tree has changes; building the commit $commit as it is committed" >&2
unset CMAKE_CXX_COMPILER_LAUNCHER CMAKE_C_COMPILER_LAUNCHER
export CCACHE_DISABLE=1

trees=("$work/one" "$work/two/a deeper/folder")
for src in "${trees[@]}"; do
  rm -rf "$src"
  mkdir -p "$src"
  git -C "$top" archive "$commit" | tar -x -C "$src"
  cp -R "$top/third_party" "$src/third_party"
  mkdir -p "$src/build"
  for arch in i686 x86_64; do
    echo "check_reproducible: building $arch in $src"
    cmake -S "$src" -B "$src/build/$arch" -DCMAKE_TOOLCHAIN_FILE="$src/cmake/mingw.cmake" -DTARN_ARCH=$arch \
      -DCMAKE_BUILD_TYPE=Release >"$src/build/$arch.log" 2>&1
    # The 32-bit build checks the imports of both programs after linking them.
    targets=(stub)
    [ $arch = i686 ] && targets+=(imports)
    cmake --build "$src/build/$arch" -j "$(nproc)" --target "${targets[@]}" >>"$src/build/$arch.log" 2>&1 ||
      { tail -30 "$src/build/$arch.log"; exit 1; }
  done
done

status=0
for program in i686/bin/tarnstub.exe i686/bin/Uninstaller.exe x86_64/bin/tarnstub64.exe x86_64/bin/Uninstaller64.exe; do
  a="${trees[0]}/build/$program" b="${trees[1]}/build/$program"
  if cmp -s "$a" "$b"; then
    echo "same:    $program ($(stat -c %s "$a") bytes, sha256 $(sha256sum "$a" | cut -c1-16))"
  else
    echo "DIFFERS: $program"
    cmp -l "$a" "$b" | head -5
    status=1
  fi
done
# No path of either build is left in the programs.
for src in "${trees[@]}"; do
  if grep -l -a -F "$src" "$src"/build/*/bin/{tarnstub,tarnstub64,Uninstaller,Uninstaller64}.exe 2>/dev/null; then
    echo "a program names its build folder $src"
    status=1
  fi
done
[ $status = 0 ] && [ $# = 0 ] && rm -rf "$work"
exit $status
