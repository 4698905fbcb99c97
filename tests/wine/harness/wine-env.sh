#!/bin/bash
# Starts and ends the Wine test environment: Xvfb, a wineserver, a 64-bit prefix, two serial cables.
#   wine-env.sh start STATE_DIR   (idempotent: a running environment is left as it is)
#   wine-env.sh stop STATE_DIR    (ends every process that start started, by its pid)
# Each process's pid is kept in STATE_DIR/pids/<name>; wine-run.sh reads STATE_DIR/env.
set -u

WINE64=/usr/lib/wine/wine64
WINESERVER64=/usr/lib/wine/wineserver64
# Cables: the program's end, then the reader's end.
CABLES="com5:com6 com7:com8"

action=${1:?start or stop}
state=$(mkdir -p "${2:?state dir}" && cd "$2" && pwd)
prefix=$state/prefix
pids=$state/pids
log=$state/log

die() { echo "wine-env: $*" >&2; exit 1; }

# Polls a condition every 50 ms for at most the given number of tenths of a second.
wait_for() {
  local tenths=$1; shift
  local i
  for ((i = 0; i < tenths * 2; i++)); do
    "$@" && return 0
    sleep 0.05
  done
  return 1
}

# True when the pid in pids/<name> runs the program it was started as.
alive() {
  local file=$pids/$1 pid
  [ -f "$file" ] || return 1
  read -r pid _ <"$file"
  [ -n "$pid" ] && [ -r "/proc/$pid/cmdline" ] && grep -qa -- "$(sed -n 2p "$file")" "/proc/$pid/cmdline"
}

# Records a started process: its pid and a word of its command line, checked before it is ended.
record() { printf '%s\n%s\n' "$2" "$3" >"$pids/$1"; }

# Ends the process in pids/<name> by its pid: TERM, up to 3 s, then KILL.
end_process() {
  local name=$1 pid
  if alive "$name"; then
    read -r pid _ <"$pids/$name"
    kill -TERM "$pid" 2>/dev/null
    wait_for 30 eval "! alive $name" || { kill -KILL "$pid" 2>/dev/null; wait_for 10 eval "! alive $name"; }
  fi
  rm -f "$pids/$name"
}

# The server works in its own socket's directory.
server_ready() {
  local pid
  read -r pid _ <"$pids/wineserver"
  test -S "/proc/$pid/cwd/socket"
}

start_cable() {
  local ours=${1%%:*} theirs=${1##*:}
  rm -f "$state/tty/$ours" "$state/tty/$theirs"
  socat pty,raw,echo=0,link="$state/tty/$ours" pty,raw,echo=0,link="$state/tty/$theirs" \
    </dev/null >>"$log/socat-$ours.log" 2>&1 &
  record "socat-$ours" $! socat
  wait_for 30 test -e "$state/tty/$ours" -a -e "$state/tty/$theirs" || die "socat for $ours did not start"
}

cable_of() {
  local c
  for c in $CABLES; do [ "${c%%:*}" = "$1" ] && echo "$c"; done
}

# Serves cut and restore requests: a test creates cables/cut-COM5 or cables/restore-COM5 (through
# Wine's Z: drive); the file is removed once the cable is cut or restored. (COM5.cut would name the
# port itself under Windows.)
cable_loop() {
  local request verb cable
  while alive wineserver; do
    for request in "$state"/cables/cut-* "$state"/cables/restore-*; do
      [ -f "$request" ] || continue
      verb=$(basename "$request")
      cable=$(cable_of "$(echo "${verb#*-}" | tr 'A-Z' 'a-z')")
      if [ -n "$cable" ]; then
        end_process "socat-${cable%%:*}"
        [ "${verb%%-*}" = restore ] && start_cable "$cable"
      fi
      rm -f "$request"
    done
    sleep 0.05
  done
}

stop() {
  end_process cables
  local c
  for c in $CABLES; do end_process "socat-${c%%:*}"; done
  # The server ends its Wine processes (services, explorer) as it goes.
  if alive wineserver; then
    WINEPREFIX=$prefix "$WINESERVER64" -k 2>/dev/null
    wait_for 30 eval "! alive wineserver"
  fi
  end_process wineserver
  end_process xvfb
  rm -f "$state/env"
}

start() {
  if [ -f "$state/env" ] && { [ -n "${TAGWEDGE_DISPLAY:-}" ] || alive xvfb; } && alive wineserver && alive cables; then
    local c ok=1
    for c in $CABLES; do alive "socat-${c%%:*}" || ok=0; done
    [ $ok = 1 ] && { echo "wine-env: already running"; return 0; }
  fi
  stop
  mkdir -p "$pids" "$log" "$state/tty" "$state/cables" "$prefix"
  rm -f "$state"/cables/*

  # TAGWEDGE_DISPLAY: a display of the user's to show the windows on, instead of a virtual one.
  local display=${TAGWEDGE_DISPLAY:-}
  if [ -z "$display" ]; then
    rm -f "$state/display"
    Xvfb -displayfd 3 -noreset -nolisten tcp -screen 0 1280x1024x24 \
      3>"$state/display" </dev/null >"$log/xvfb.log" 2>&1 &
    record xvfb $! Xvfb
    wait_for 50 test -s "$state/display" || die "Xvfb did not start"
    display=:$(tr -d '\n' <"$state/display")
  fi

  export WINEPREFIX=$prefix WINELOADER=$WINE64 WINESERVER=$WINESERVER64 WINEARCH=win64
  export DISPLAY=$display WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  "$WINESERVER64" -f -p </dev/null >"$log/wineserver.log" 2>&1 &
  record wineserver $! wineserver
  wait_for 50 server_ready || die "wineserver did not start"

  if [ ! -f "$prefix/.tagwedge-ready" ]; then
    "$WINE64" wineboot -i </dev/null >>"$log/wineboot.log" 2>&1 || die "wineboot failed"
    touch "$prefix/.tagwedge-ready"
  else
    # Starts the prefix's services now, so that no test's output pipe is held by them.
    "$WINE64" wineboot </dev/null >>"$log/wineboot.log" 2>&1
  fi

  # A UTF-16 file, so that the font's name does not depend on the locale.
  printf 'Windows Registry Editor Version 5.00\r\n\r\n%s\r\n%s\r\n\r\n%s\r\n%s\r\n%s\r\n' \
    '[HKEY_CURRENT_USER\Software\Wine\X11 Driver]' \
    '"Managed"="N"' \
    '[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]' \
    '"宋体"="WenQuanYi Micro Hei"' \
    '"SimSun"="WenQuanYi Micro Hei"' |
    { printf '\xff\xfe'; iconv -f UTF-8 -t UTF-16LE; } >"$state/settings.reg"
  "$WINE64" reg import 'Z:'"$(echo "$state/settings.reg" | tr / '\\')" </dev/null >>"$log/wineboot.log" 2>&1 \
    || die "registry import failed"

  local c
  for c in $CABLES; do
    start_cable "$c"
    ln -sfn "$state/tty/${c%%:*}" "$prefix/dosdevices/${c%%:*}"
    ln -sfn "$state/tty/${c##*:}" "$prefix/dosdevices/${c##*:}"
  done

  cable_loop </dev/null >>"$log/cables.log" 2>&1 &
  record cables $! "$(basename "$0")"

  cat >"$state/env" <<EOF
export WINEPREFIX='$prefix'
export WINESERVER='$WINESERVER64'
export DISPLAY='$display'
export WINEDEBUG='${TAGWEDGE_WINEDEBUG:--all}'
export WINEDLLOVERRIDES='mscoree,mshtml='
export TAGWEDGE_WINE_ENV='$state'
EOF
  echo "wine-env: running on display $display, prefix $prefix"
}

case $action in
  start) start ;;
  stop) stop; echo "wine-env: stopped" ;;
  *) die "unknown action $action" ;;
esac
