#!/usr/bin/env bash
# One test "machine": a virtual X display, a fresh Wine prefix of one
# architecture with a virtual desktop, and a persistent wineserver.
#
#   session.sh host                   which Windows builds this host can run
#                                     (first line: "x86 x64" or "x64"), and why
#   session.sh start DIR ARCH [BIN]   ARCH x86 (32-bit prefix, i386 loader) or
#                                     x64 (64-bit prefix, 64-bit loader); BIN is
#                                     the folder of the programs under test,
#                                     reachable as drive P:
#   session.sh stop DIR               end wineserver and X
#   session.sh run DIR PROGRAM ...    run a Windows program in that session;
#                                     PROGRAM is a Windows path or a Linux path
#                                     below BIN or the prefix's drive C:
#   session.sh shell DIR CMD ...      run a Linux command with the session's variables
#   session.sh dpi DIR N              the screen's resolution for programs started
#                                     from now on: N dots per inch (96 = 100 %)
#
# TARN_WINE_ARCH=x86|x64|both forces what "host" reports. TARN_SESSION_USER
# at "start" names the prefix's user, and so its profile folder (Wine takes
# it from the Unix user name of every process it starts): a session for
# names beyond ASCII. TARN_SESSION_DPI at "start" sets the screen's
# resolution (as "dpi" does) before the desktop starts.
#
# The build machine is kept out of reach: a new prefix maps Z: to the Linux
# root and links the user's Desktop and documents to the Linux home folder,
# and the tests run as root, so every drive but C: is removed from the
# prefix and the links become folders. Programs start with C:\ as their current folder. Drive T: is a
# throw-away folder (DIR/scratch) for tests of destructive paths. Wine still
# reaches every Linux file through its own "\\?\unix\" names, so where the
# host allows a mount namespace, the programs run in one in which the Linux
# file system is read-only except for the session's folder, the programs'
# folder and /tmp.
#
# Debian's wine, wineboot and wineserver wrappers pick the i386 loader
# whenever it is installed, even where the kernel cannot run it, so the
# loader and the server are named here directly. A ready prefix is kept in
# DIR/template and copied for every start, which is much faster than
# creating one.
set -euo pipefail
self=$(cd "$(dirname "$0")" && pwd)/$(basename "$0")
cmd=${1:-}
shift || true

loader_of() { [ "$1" = x64 ] && echo /usr/lib/wine/wine64 || echo /usr/lib/wine/wine; }
server() {
  if [ -x /usr/lib/wine/wineserver64 ]; then echo /usr/lib/wine/wineserver64; else echo /usr/lib/wine/wineserver32; fi
}

# Starts the i386 loader once: the only sure test of whether this host runs
# 32-bit Windows programs. Prints the legs, then the reason.
host() {
  local forced=${TARN_WINE_ARCH:-}
  case "$forced" in
    x86) echo x86; echo "forced by TARN_WINE_ARCH=x86: the i686 build only"; return ;;
    x64) echo x64; echo "forced by TARN_WINE_ARCH=x64: the x86_64 build only"; return ;;
    both) echo "x86 x64"; echo "forced by TARN_WINE_ARCH=both: the i686 build, and the x86_64 build's end-to-end tests"; return ;;
    "") ;;
    *) echo "TARN_WINE_ARCH must be x86, x64 or both, not '$forced'" >&2; exit 2 ;;
  esac
  local why
  if [ ! -e /usr/lib/wine/wine ]; then
    why="the i386 Wine loader (wine32:i386) is not installed"
  elif why=$(/usr/lib/wine/wine --version 2>&1 </dev/null); then
    echo "x86 x64"
    echo "this host runs the i386 Wine loader ($why): the i686 build, and the x86_64 build's end-to-end tests"
    return
  else
    why="the i386 Wine loader cannot start here: ${why:-no message}"
  fi
  echo x64
  echo "$why; the x86_64 build under 64-bit Wine"
}

# Runs a command; on failure prints it with the end of its own output and
# fails. The output goes through a file: Wine's background processes inherit
# it and would keep a pipe open.
checked() {
  local log="$dir/command.log"
  if ! "$@" </dev/null >"$log" 2>&1; then
    echo "session: this command failed: $*" >&2
    tail -n 30 "$log" >&2
    return 1
  fi
}

# Raised whenever the recipe of the template changes, so that an old one is
# made again.
template_recipe=3

make_template() {
  local t="$dir/template"
  [ "$(cat "$t/.ready" 2>/dev/null)" = "$template_recipe ${TARN_SESSION_USER:-}" ] && return 0
  rm -rf "$t"
  if [ ! -x "$WINELOADER" ]; then
    echo "session: the Wine loader $WINELOADER is not installed (scripts/bootstrap.sh installs it)" >&2
    return 1
  fi
  local version
  if ! version=$("$WINELOADER" --version 2>&1 </dev/null); then
    echo "session: the Wine loader cannot start: $WINELOADER --version" >&2
    echo "$version" >&2
    return 1
  fi
  WINEPREFIX="$t" checked "$WINELOADER" wineboot -i
  WINEPREFIX="$t" checked "$WINESERVER" -w
  cat > "$t/drive_c/desktop.reg" <<'REG'
REGEDIT4

[HKEY_CURRENT_USER\Software\Wine\Explorer]
"Desktop"="Default"

[HKEY_CURRENT_USER\Software\Wine\Explorer\Desktops]
"Default"="1024x768"
REG
  WINEPREFIX="$t" checked "$WINELOADER" regedit /S 'C:\desktop.reg'
  WINEPREFIX="$t" checked "$WINESERVER" -w
  rm -f "$t/drive_c/desktop.reg"
  seal "$t" || return 1
  echo "$template_recipe ${TARN_SESSION_USER:-}" > "$t/.ready"
}

# Cuts every way out of a prefix into the Linux machine: every drive but C:
# goes, above all Z: (the Linux root), and the user's shell folders
# (Desktop, Documents, ...), which Wine links to the Linux home folder,
# become folders of the prefix's own.
seal() {
  local d
  # Z: first and by name: a new prefix maps it to the Linux root, where a
  # destructive path under test would reach the build machine's own files.
  rm -f "$1/dosdevices/z:"
  for d in "$1"/dosdevices/*; do
    case "$(basename "$d")" in
      c:) ;;
      ?:|?::) rm -f "$d" ;;
    esac
  done
  # At every depth: Templates lies seven folders down.
  find "$1/drive_c" -type l -lname '/*' | while read -r d; do
    rm -f "$d"
    mkdir -p "$d"
  done
  if [ -n "$(find "$1/drive_c" -type l -lname '/*' -print -quit)" ]; then
    echo "session: $1/drive_c keeps a link into the Linux file system; refusing to run programs in this prefix" >&2
    return 1
  fi
  if [ -e "$1/dosdevices/z:" ] || [ -L "$1/dosdevices/z:" ]; then
    echo "session: $1/dosdevices/z: could not be removed; refusing to run programs in this prefix" >&2
    return 1
  fi
}

# The screen's resolution: Wine reads the user's LogPixels (Windows keeps
# the same value there) when a program starts.
set_dpi() {
  printf 'REGEDIT4\n\n[HKEY_CURRENT_USER\\Control Panel\\Desktop]\n"LogPixels"=dword:%08x\n' "$1" \
    > "$WINEPREFIX/drive_c/dpi.reg"
  (cd "$WINEPREFIX/drive_c" && checked "$WINELOADER" regedit /S 'C:\dpi.reg')
  rm -f "$WINEPREFIX/drive_c/dpi.reg"
}

# A Unix path below the programs' folder or drive C:, as a Windows path.
windows_path() {
  local p=$1 rest
  if [ -n "${TARN_SESSION_BIN:-}" ] && [ "${p#"$TARN_SESSION_BIN"/}" != "$p" ]; then
    rest=${p#"$TARN_SESSION_BIN"/}; echo "P:\\${rest//\//\\}"
  elif [ "${p#"$WINEPREFIX"/drive_c/}" != "$p" ]; then
    rest=${p#"$WINEPREFIX"/drive_c/}; echo "C:\\${rest//\//\\}"
  else
    echo "session: $p cannot be reached from the session (it has no Z: drive)" >&2
    return 1
  fi
}

case "$cmd" in
host)
  host
  ;;
start)
  dir=$(mkdir -p "$1" && cd "$1" && pwd)
  arch=${2:-x86}
  bin=${3:-}
  case "$arch" in x86|x64) ;; *) echo "session: ARCH must be x86 or x64, not '$arch'" >&2; exit 2 ;; esac
  [ -f "$dir/env" ] && "$0" stop "$dir" || true
  export WINEARCH=$([ "$arch" = x64 ] && echo win64 || echo win32)
  export WINELOADER WINESERVER WINEDEBUG=-all
  WINELOADER=$(loader_of "$arch")
  WINESERVER=$(server)
  export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
  user_line=
  if [ -n "${TARN_SESSION_USER:-}" ]; then
    # The name reaches Windows through the Unix code page: UTF-8.
    export USER="$TARN_SESSION_USER" LOGNAME="$TARN_SESSION_USER" LC_CTYPE=C.UTF-8
    user_line="export USER=$(printf '%q' "$USER") LOGNAME=$(printf '%q' "$USER") LC_CTYPE=C.UTF-8"
  fi
  # Xvfb takes the first free display number itself and writes it down:
  # sessions started at the same time never share a display.
  rm -f "$dir/display"
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$dir/display" </dev/null >"$dir/xvfb.log" 2>&1 &
  echo $! > "$dir/xvfb.pid"
  for _ in $(seq 1 200); do
    [ -s "$dir/display" ] && break
    kill -0 "$(cat "$dir/xvfb.pid")" 2>/dev/null || break
    sleep 0.05
  done
  n=$(head -n 1 "$dir/display" 2>/dev/null || true)
  if [ -z "$n" ]; then
    echo "session: the virtual display did not start:" >&2
    cat "$dir/xvfb.log" >&2
    exit 1
  fi
  # The template needs no display: wineboot runs without windows.
  if ! DISPLAY=":$n" make_template; then
    kill "$(cat "$dir/xvfb.pid")" 2>/dev/null || true
    rm -f "$dir/xvfb.pid"
    echo "session: the $arch Wine prefix could not be made in $dir/template" >&2
    exit 1
  fi
  rm -rf "$dir/prefix" "$dir/scratch"
  cp -a "$dir/template" "$dir/prefix"
  seal "$dir/prefix" || exit 1
  mkdir -p "$dir/scratch"
  ln -s "$dir/scratch" "$dir/prefix/dosdevices/t:"
  [ -n "$bin" ] && ln -s "$(cd "$bin" && pwd)" "$dir/prefix/dosdevices/p:"
  guard=none
  if unshare -m --propagation private sh -c "mount --bind '$dir' '$dir' && mount -o remount,bind,ro /" 2>/dev/null; then
    guard=read-only
  else
    echo "session: WARNING: no mount namespace here; the session's programs can write the Linux file system" \
         "through Wine's \\\\?\\unix\\ names" >&2
  fi
  cat > "$dir/env" <<ENV
export DISPLAY=:$n
export WINEPREFIX="$dir/prefix"
export WINEARCH=$WINEARCH WINELOADER=$WINELOADER WINESERVER=$WINESERVER WINEDEBUG=-all
export WINEDLLOVERRIDES="$WINEDLLOVERRIDES"
export TARN_SESSION_ARCH=$arch TARN_SESSION_BIN="$([ -n "$bin" ] && cd "$bin" && pwd)"
export TARN_SESSION_GUARD=$guard
$user_line
ENV
  . "$dir/env"
  # Nothing started here may keep the caller's output open: ctest waits for it.
  if [ "$guard" = read-only ]; then
    unshare -m --propagation private "$self" guarded-server "$dir" </dev/null >/dev/null 2>&1
  else
    "$WINESERVER" -p </dev/null >/dev/null 2>&1
  fi
  [ -n "${TARN_SESSION_DPI:-}" ] && { set_dpi "$TARN_SESSION_DPI" || exit 1; }
  # Start the desktop now, so that the first test does not pay for it.
  (cd "$WINEPREFIX/drive_c" && checked "$WINELOADER" cmd /c exit 0) || exit 1
  echo "wine session ($arch) ready on display :$n; Linux file system: $guard"
  ;;
stop)
  dir=$(mkdir -p "$1" && cd "$1" && pwd)
  if [ -f "$dir/env" ]; then
    . "$dir/env"
    "$WINESERVER" -k 2>/dev/null || true
    "$WINESERVER" -w 2>/dev/null || true
    rm -f "$dir/env"
  fi
  if [ -f "$dir/xvfb.pid" ]; then
    kill "$(cat "$dir/xvfb.pid")" 2>/dev/null || true
    rm -f "$dir/xvfb.pid"
  fi
  rm -rf "$dir/prefix" "$dir/scratch"
  ;;
run)
  dir=$(cd "$1" && pwd)
  shift
  if [ ! -f "$dir/env" ]; then
    echo "session: no session was started in $dir" >&2
    exit 1
  fi
  . "$dir/env"
  program=$1
  shift
  # A Linux path (absolute, or relative to where "run" was called).
  if [ -e "$program" ]; then program=$(windows_path "$(realpath "$program")"); fi
  cd "$WINEPREFIX/drive_c"
  exec "$WINELOADER" "$program" "$@"
  ;;
guarded-server)
  # The wineserver opens, creates, renames and deletes every file for the
  # programs, so it is the one that runs in the mount namespace: the
  # writable folders become mounts of their own, then the root read-only.
  dir=$1
  . "$dir/env"
  for keep in "$dir" ${TARN_SESSION_BIN:+"$TARN_SESSION_BIN"} /tmp; do mount --bind "$keep" "$keep"; done
  mount -o remount,bind,ro /
  exec "$WINESERVER" -p
  ;;
dpi)
  dir=$(cd "$1" && pwd)
  . "$dir/env"
  set_dpi "$2"
  ;;
shell)
  dir=$(cd "$1" && pwd)
  shift
  . "$dir/env"
  exec "$@"
  ;;
*)
  echo "usage: $0 host | start DIR x86|x64 [BIN] | stop DIR | run DIR PROGRAM ... | shell DIR CMD ... | dpi DIR N" >&2
  exit 2
  ;;
esac
