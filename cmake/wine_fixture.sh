#!/usr/bin/env bash
# The Windows tests' fixture. start STATE: keeps a wineserver alive for the whole
# test run (making the Wine prefix on first use), and serves STATE/mirror with nginx
# on loopback (scripts/mirror_server.sh; ports in STATE/nginx/ports). stop STATE:
# stops both. WINEPREFIX and the other Wine variables come from the caller.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
state=$2
case "$1" in
start)
  mkdir -p "$state/mirror/updates.kstlupd.example/kestrl/updater/download" "$state/mirror/localhost"
  printf 'new updater' > "$state/mirror/updates.kstlupd.example/kestrl/updater/download/kstlupd.exe"
  printf 'seam test body\n' > "$state/mirror/localhost/body.txt"
  touch -d '2025-11-24 16:00:00 UTC' "$state/mirror/localhost/body.txt"
  # Neither may keep the caller's output open: CTest waits for it to close.
  wineserver -p </dev/null >/dev/null 2>&1
  wine cmd /c exit 0 </dev/null >/dev/null 2>&1 || true  # makes the prefix the first time
  "$here/../scripts/mirror_server.sh" stop "$state/nginx"
  "$here/../scripts/mirror_server.sh" start "$state/mirror" "$state/nginx" >/dev/null
  ;;
stop)
  "$here/../scripts/mirror_server.sh" stop "$state/nginx"
  wineserver -k </dev/null >/dev/null 2>&1 || true
  ;;
*)
  echo "usage: $0 start|stop STATE" >&2
  exit 2
  ;;
esac
