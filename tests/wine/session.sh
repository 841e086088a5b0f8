#!/usr/bin/env bash
# One test "machine": a virtual X display, a fresh 32-bit Wine prefix with a
# virtual desktop, and a persistent wineserver.
#
#   session.sh start DIR        create DIR/prefix and DIR/env, start X and wine
#   session.sh stop DIR         end wineserver and X
#   session.sh run DIR EXE ...  run a Windows program in that session
#   session.sh shell DIR CMD .. run a Linux command with the session's variables
#
# A ready prefix is kept in DIR/template and copied for every start, which is
# much faster than creating one.
set -euo pipefail
cmd=$1
dir=$(mkdir -p "$2" && cd "$2" && pwd)
shift 2

base_env() {
  export WINEARCH=win32 WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
}

make_template() {
  local t="$dir/template"
  [ -f "$t/.ready" ] && return 0
  rm -rf "$t"
  base_env
  WINEPREFIX="$t" wineboot -i </dev/null >/dev/null 2>&1
  cat > "$dir/desktop.reg" <<'REG'
REGEDIT4

[HKEY_CURRENT_USER\Software\Wine\Explorer]
"Desktop"="Default"

[HKEY_CURRENT_USER\Software\Wine\Explorer\Desktops]
"Default"="1024x768"
REG
  WINEPREFIX="$t" wine regedit /S "$dir/desktop.reg" </dev/null >/dev/null 2>&1
  WINEPREFIX="$t" wineserver -w
  touch "$t/.ready"
}

free_display() {
  local n
  for n in $(seq 90 199); do
    if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then
      echo "$n"; return 0
    fi
  done
  return 1
}

case "$cmd" in
start)
  [ -f "$dir/env" ] && "$0" stop "$dir" || true
  n=$(free_display)
  Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp </dev/null >"$dir/xvfb.log" 2>&1 &
  echo $! > "$dir/xvfb.pid"
  # The template needs no display: wineboot runs without windows.
  DISPLAY=":$n" make_template
  for _ in $(seq 1 100); do
    [ -e "/tmp/.X11-unix/X$n" ] && break
    sleep 0.1
  done
  rm -rf "$dir/prefix"
  cp -a "$dir/template" "$dir/prefix"
  cat > "$dir/env" <<ENV
export DISPLAY=:$n
export WINEPREFIX="$dir/prefix"
export WINEARCH=win32 WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
ENV
  . "$dir/env"
  # Nothing started here may keep the caller's output open: ctest waits for it.
  wineserver -p </dev/null >/dev/null 2>&1
  # Start the desktop now, so that the first test does not pay for it.
  wine cmd /c exit 0 </dev/null >/dev/null 2>&1 || true
  echo "wine session ready on display :$n"
  ;;
stop)
  if [ -f "$dir/env" ]; then
    . "$dir/env"
    wineserver -k 2>/dev/null || true
    wineserver -w 2>/dev/null || true
    rm -f "$dir/env"
  fi
  if [ -f "$dir/xvfb.pid" ]; then
    kill "$(cat "$dir/xvfb.pid")" 2>/dev/null || true
    rm -f "$dir/xvfb.pid"
  fi
  rm -rf "$dir/prefix"
  ;;
run)
  . "$dir/env"
  exec wine "$@"
  ;;
shell)
  . "$dir/env"
  exec "$@"
  ;;
*)
  echo "usage: $0 start|stop|run|shell DIR ..." >&2
  exit 2
  ;;
esac
