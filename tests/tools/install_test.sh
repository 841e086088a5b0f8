#!/usr/bin/env bash
# An installed tarnpack: `cmake --install BUILD --prefix P` into a fresh
# prefix puts tarnpack, both setup stubs, the shipped localization files,
# the default bitmaps and the manual page in place; the installed tarnpack
# makes packages of both architectures with them alone, tells its version,
# and its manual page names every option its --help names.
set -euo pipefail
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAILED: $*"; exit 1; }
p=$work/prefix
cmake --install "$build" --prefix "$p" >/dev/null
for f in bin/tarnpack share/tarnwick/tarnstub.exe share/tarnwick/tarnstub64.exe share/tarnwick/languages/English.ini \
         share/tarnwick/languages/German.ini share/tarnwick/languages/French.ini share/tarnwick/bitmaps/WizBitmap.bmp \
         share/tarnwick/bitmaps/HeadBitmap.bmp share/man/man1/tarnpack.1; do
  [ -f "$p/$f" ] || fail "$f was not installed"
done

version=$("$p/bin/tarnpack" --version)
[[ $version =~ ^tarnpack\ [0-9]+\.[0-9]+\.[0-9]+$ ]] || fail "--version printed: $version"

mkdir -p "$work/payload" "$work/info/Config"
echo app > "$work/payload/App.txt"
printf '[GeneralInformation]\r\nAppName = Demo\r\n' > "$work/info/Config/Script.ini"
for arch in x86 x64; do
  said=$(cd "$work" && "$p/bin/tarnpack" --payload payload --info info --out "$arch.exe" --arch "$arch" \
         --languages German)
  for line in "tarnpack: added the shipped localization file German.ini" "tarnpack: added the default WizBitmap.bmp" \
              "tarnpack: wrote $arch.exe"; do
    grep -qF "$line" <<<"$said" || fail "$arch: tarnpack did not say \"$line\": $said"
  done
done
# The package's machine: 0x14C (i386) and 0x8664 (x86-64), in the PE header.
machine() { od -An -tx2 -j $(( $(od -An -tu4 -j 60 -N4 "$1") + 4 )) -N2 "$1" | tr -d ' '; }
[ "$(machine "$work/x86.exe")" = 014c ] || fail "x86.exe is not a 32-bit program"
[ "$(machine "$work/x64.exe")" = 8664 ] || fail "x64.exe is not a 64-bit program"

man=$(sed 's/\\-/-/g' "$p/share/man/man1/tarnpack.1")
[[ $man == .TH\ TARNPACK\ 1* ]] || fail "the manual page does not begin with its title"
for option in $("$p/bin/tarnpack" --help | grep -oE -- '--[a-z]+' | sort -u); do
  grep -qF -- "$option" <<<"$man" || fail "the manual page does not name $option"
done
echo "The installed tarnpack finds its stubs and data, tells $version, and has its manual page."
