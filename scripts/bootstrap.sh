#!/usr/bin/env bash
# Installs everything the build and the tests need on a Debian 12 machine,
# and fetches the zlib sources that carry minizip, and libdeflate's, into
# third_party/.
# Safe to run again: every step checks what is already there.
set -euo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)
SUDO=""
[ "$(id -u)" = 0 ] || SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive

packages=(
  build-essential cmake
  clang libclang-rt-14-dev
  g++-mingw-w64-i686 g++-mingw-w64-x86-64
  zlib1g-dev googletest libgtest-dev
  osslsigncode openssl
  wine wine64
  xvfb
  dpkg-dev python3 fonts-dejavu-core bc
)

need_update=0

# Does the kernel run 32-bit programs? Some hosts have that switched off
# ("32-bit emulation disabled"); there only 64-bit Windows programs run and
# Wine's i386 half would be installed for nothing. The test is a 93-byte
# i386 program that only exits.
runs_32bit() {
  local probe
  probe=$(mktemp)
  printf '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08'\
'\x34\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00\x00\x00\x00\x00'\
'\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08\x5d\x00\x00\x00\x5d\x00\x00\x00'\
'\x05\x00\x00\x00\x00\x10\x00\x00\xb8\x01\x00\x00\x00\x31\xdb\xcd\x80' > "$probe"
  chmod +x "$probe"
  local ok=1
  "$probe" 2>/dev/null || ok=0
  rm -f "$probe"
  [ "$ok" = 1 ]
}

# 32-bit Windows programs run in Wine's i386 half, where the kernel allows.
if runs_32bit; then
  packages+=(wine32:i386)
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $SUDO dpkg --add-architecture i386
    need_update=1
  fi
else
  echo "bootstrap: this kernel runs no 32-bit programs; only the 64-bit Windows programs will be tested"
fi

# Source packages (for zlib's contributed minizip) need deb-src entries
# beside the deb ones.
add_deb_src() {
  local f
  for f in /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] || continue
    if grep -q '^Types: deb$' "$f"; then
      $SUDO sed -i 's/^Types: deb$/Types: deb deb-src/' "$f"
      need_update=1
    fi
  done
  if [ -f /etc/apt/sources.list ] && grep -q '^deb ' /etc/apt/sources.list \
     && ! grep -q '^deb-src ' /etc/apt/sources.list; then
    grep '^deb ' /etc/apt/sources.list | sed 's/^deb /deb-src /' \
      | $SUDO tee -a /etc/apt/sources.list >/dev/null
    need_update=1
  fi
}
add_deb_src

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
# A mirror caught in the middle of a sync serves a list that does not match
# its hash: the update is tried again after a pause, and if one list stays
# broken the install goes on with the lists that did arrive (it fails
# loudly by itself if a package cannot be had from them).
if [ "${#missing[@]}" -gt 0 ] || [ "$need_update" = 1 ]; then
  for attempt in 1 2 3; do
    $SUDO apt-get update -q && break
    if [ "$attempt" = 3 ]; then
      echo "bootstrap: apt-get update reported errors 3 times; going on with the lists that arrived" >&2
    else
      sleep $((attempt * 15))
    fi
  done
fi
if [ "${#missing[@]}" -gt 0 ]; then
  if ! $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"; then
    # Wine's i386 half needs the i386 lists of every suite the machine's
    # own packages come from; without them it cannot be installed, and the
    # suite then says it runs the 64-bit build alone, and why.
    rest=()
    for p in "${missing[@]}"; do [ "$p" = wine32:i386 ] || rest+=("$p"); done
    [ "${#rest[@]}" -lt "${#missing[@]}" ] || exit 1
    echo "bootstrap: wine32:i386 cannot be installed from these package lists; the 32-bit programs will not be tested" >&2
    $SUDO apt-get install -y -q --no-install-recommends "${rest[@]}"
  fi
fi

# minizip: its sources come with Debian's zlib source package. The security
# update's source is not served, so ask for the release version.
zdir="$top/third_party/zlib"
if [ ! -f "$zdir/contrib/minizip/unzip.c" ]; then
  mkdir -p "$top/third_party"
  tmp=$(mktemp -d)
  ( cd "$tmp" && apt-get source -q --download-only zlib=1:1.2.13.dfsg-1 )
  dsc=$(ls "$tmp"/zlib_*.dsc | head -n 1)
  rm -rf "$zdir"
  dpkg-source --no-check -x "$dsc" "$zdir" >/dev/null
  rm -rf "$tmp"
fi

# libdeflate, the package builder's compressor: Debian's source package.
ldir="$top/third_party/libdeflate"
if [ ! -f "$ldir/lib/deflate_compress.c" ]; then
  mkdir -p "$top/third_party"
  tmp=$(mktemp -d)
  ( cd "$tmp" && apt-get source -q --download-only libdeflate )
  dsc=$(ls "$tmp"/libdeflate_*.dsc | head -n 1)
  rm -rf "$ldir"
  dpkg-source --no-check -x "$dsc" "$ldir" >/dev/null
  rm -rf "$tmp"
fi

echo "bootstrap: ready"
