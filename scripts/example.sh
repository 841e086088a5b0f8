#!/usr/bin/env bash
# The main job: installs what is missing, builds everything, makes the
# example package from example/ with the package builder, and walks it in
# Wine in a virtual display as a person would (example/walk.txt). The
# package lands in build/example/, with screenshots of every page, on a
# screen of 96 DPI (100 %) and again of 144 DPI (150 %, "-144dpi"). The
# package is the 32-bit one where this host runs 32-bit Windows programs,
# else the 64-bit one (TARN_WINE_ARCH=x86|x64 chooses).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/bootstrap.sh"
{ read -r legs; read -r why; } < <("$top/tests/wine/session.sh" host)
case " $legs " in
  *" x86 "*) arch=x86; winbin="$top/build/windows/bin" ;;
  *) arch=x64; winbin="$top/build/windows64/bin" ;;
esac
echo "example: the $arch package ($why)"
"$top/scripts/build.sh"

out="$top/build/example"
rm -rf "$out"
mkdir -p "$out"
"$top/build/bin/tarnpack" --payload "$top/example/payload" --info "$top/example/information" \
  --out "$out/TarnwickNotesSetup.exe" --languages English,German,French --arch "$arch" \
  --winget "$out/winget" --id Tarnwick.Notes --url https://downloads.tarnwick.example.invalid/TarnwickNotesSetup.exe
# The package's winget manifest (build/example/winget/), checked against the
# schema's rules and the package's digest.
python3 "$top/tests/tools/winget_fields.py" --check "$out/winget" "$out/TarnwickNotesSetup.exe"

# What the package says of itself, as an administrator sees it before deploying it.
"$top/build/bin/tarnpack" inspect "$out/TarnwickNotesSetup.exe" | tee "$out/inspect.txt"

session="$out/wine"
trap '"$top/tests/wine/session.sh" stop "$session"' EXIT
"$top/tests/wine/session.sh" start "$session" "$arch"
drive_c="$session/prefix/drive_c"
mkdir -p "$drive_c/example"
cp "$out/TarnwickNotesSetup.exe" "$winbin/tarndrive.exe" "$drive_c/example/"
# Three languages: the walk starts at the language choice and takes English.
# $1 ends the screenshots' names.
walk() {
  { echo 'start C:\example\TarnwickNotesSetup.exe'
    echo 'window "Language selection"'
    echo 'screenshot language'
    echo 'click 2002'
    cat "$top/example/walk.txt"; } | sed "s/^screenshot .*/&$1/" > "$drive_c/example/walk.txt"
  "$top/tests/wine/session.sh" run "$session" 'C:\example\tarndrive.exe' 'C:\example\walk.txt' 'C:\example\screenshots'
}
walk ""
product="$drive_c/Program Files/Tarnwick Notes"
echo "Installed files:"
(cd "$product" && find . -type f | sort)

# Then the product is removed again through its uninstaller.
cp "$top/example/uninstall.txt" "$drive_c/example/"
"$top/tests/wine/session.sh" run "$session" 'C:\example\tarndrive.exe' 'C:\example\uninstall.txt'
# The script keeps files ending in .ini (SkipExtString): settings.ini stays,
# with its folder; everything else has gone.
for _ in $(seq 1 50); do [ ! -e "$product/README.txt" ] && break; sleep 0.2; done
left=$(cd "$product" && find . -type f | sort)
echo "Left after the removal: $left"
[ "$left" = "./settings.ini" ] || { echo "The removal left more than the kept settings."; exit 1; }

# The same walk on a screen of 144 DPI: every window laid out for it.
"$top/tests/wine/session.sh" dpi "$session" 144
walk -144dpi
"$top/tests/wine/session.sh" run "$session" 'C:\example\tarndrive.exe' 'C:\example\uninstall.txt'
cp -r "$drive_c/example/screenshots" "$out/"
echo "The package is $out/TarnwickNotesSetup.exe; screenshots are in $out/screenshots."
