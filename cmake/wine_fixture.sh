#!/usr/bin/env bash
# The Windows tests' fixture. start STATE [TESTS]: keeps a wineserver alive for the whole
# test run (making the Wine prefix on first use), serves STATE/mirror with nginx on
# loopback (scripts/mirror_server.sh; ports in STATE/nginx/ports; /to-http.txt of
# any host redirects to http://localhost/body.txt), serves a TLS 1.0-only server
# (openssl s_server, its port in STATE/tls1.port) and runs an X server for the
# windows (its number in STATE/display), whose desktop the TESTS program holds.
# stop STATE: stops them all.
# WINEPREFIX and the other Wine variables come from the caller.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
state=$2

stop_display() {
  if [ -f "$state/xvfb.pid" ]; then
    kill "$(cat "$state/xvfb.pid")" 2>/dev/null || true
    rm -f "$state/xvfb.pid"
  fi
  rm -f "$state/display"
}

stop_tls1() {
  if [ -f "$state/tls1.pid" ]; then
    kill "$(cat "$state/tls1.pid")" 2>/dev/null || true
    rm -f "$state/tls1.pid"
  fi
}

case "$1" in
start)
  mkdir -p "$state/mirror/updates.kstlupd.example/kestrl/updater/download" "$state/mirror/localhost"
  printf 'new updater' > "$state/mirror/updates.kstlupd.example/kestrl/updater/download/kstlupd.exe"
  printf 'seam test body\n' > "$state/mirror/localhost/body.txt"
  touch -d '2025-11-24 16:00:00 UTC' "$state/mirror/localhost/body.txt"
  mkdir -p "$state/nginx"
  echo 'location = /to-http.txt { return 302 http://localhost:@HTTP_PORT@/body.txt; }' > "$state/nginx/locations.conf"
  stop_display
  rm -f "$state/display.fifo" && mkfifo "$state/display.fifo"
  Xvfb -displayfd 3 -screen 0 2560x1600x24 -nolisten tcp 3>"$state/display.fifo" </dev/null >/dev/null 2>&1 &
  echo $! > "$state/xvfb.pid"
  read -r -t 20 number < "$state/display.fifo"
  echo "$number" > "$state/display"
  # Wine's desktop process takes its window system from the first program of a
  # server's life, so the server starts anew, with the display. Programs started
  # without DISPLAY still get no windows (their boxes answer at once). No process
  # may keep the caller's output open: CTest waits for it to close.
  wineserver -k </dev/null >/dev/null 2>&1 || true
  wineserver -p </dev/null >/dev/null 2>&1
  DISPLAY=":$number" wine cmd /c exit 0 </dev/null >/dev/null 2>&1 || true  # makes the prefix the first time
  # Arial, which the windows ask for, is Liberation Sans (metric-compatible), so that
  # text measures here as it does on Windows; and the prefix's DPI is 96 again if a
  # scaling test was stopped while it had set another.
  printf '%s\r\n' 'REGEDIT4' '' '[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]' \
    '"Arial"="Liberation Sans"' '' '[HKEY_CURRENT_USER\Control Panel\Desktop]' '"LogPixels"=-' > "$state/prefix.reg"
  DISPLAY=":$number" wine regedit /S "$(winepath -w "$state/prefix.reg" 2>/dev/null)" </dev/null >/dev/null 2>&1 || true
  # The desktop is held with the display until the stop (wineserver -k ends the holder).
  if [ -n "${3:-}" ]; then
    rm -f "$state/desktop.held"
    (cd "$state" && DISPLAY=":$number" exec setsid wine "$3" --gtest_also_run_disabled_tests \
      --gtest_filter=Win32Helper.DISABLED_StayAlive) </dev/null >/dev/null 2>&1 &
    for _ in $(seq 300); do [ -f "$state/desktop.held" ] && break; sleep 0.1; done
    [ -f "$state/desktop.held" ] || { echo "wine_fixture: the desktop could not be held" >&2; exit 1; }
  fi
  "$here/../scripts/mirror_server.sh" stop "$state/nginx"
  "$here/../scripts/mirror_server.sh" start "$state/mirror" "$state/nginx" >/dev/null
  # A server that speaks only TLS 1.0, with the mirror's certificate.
  stop_tls1
  tls1_port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
  openssl s_server -tls1 -cipher 'DEFAULT:@SECLEVEL=0' -www -quiet -accept "127.0.0.1:$tls1_port" \
    -cert "$state/nginx/server.pem" -key "$state/nginx/server.key" </dev/null >/dev/null 2>&1 &
  echo $! > "$state/tls1.pid"
  echo "$tls1_port" > "$state/tls1.port"
  ;;
stop)
  stop_tls1
  "$here/../scripts/mirror_server.sh" stop "$state/nginx"
  stop_display
  wineserver -k </dev/null >/dev/null 2>&1 || true
  ;;
*)
  echo "usage: $0 start|stop STATE" >&2
  exit 2
  ;;
esac
