#!/usr/bin/env bash
# A web server for a sample mirror on loopback: nginx serving MIRROR/<host>/... by
# the request's host name, for requests sent to it as to a proxy.
#
#   mirror_server.sh start MIRROR STATE   starts it, prints the port
#   mirror_server.sh stop STATE           stops it
# STATE is a folder of its own for the configuration, logs and pid file.
set -euo pipefail

cmd=${1:-}
case "$cmd" in
start)
  mirror=$(cd "$2" && pwd)
  mkdir -p "$3/tmp"
  state=$(cd "$3" && pwd)
  port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
  {
    echo "pid $state/nginx.pid;"
    echo "error_log $state/error.log;"
    echo "events { worker_connections 64; }"
    echo "http {"
    echo "  default_type application/octet-stream;"
    echo "  log_format bytes '\$host \$request_method \$request_uri \$status \$bytes_sent';"
    echo "  access_log $state/access.log bytes;"
    for t in client_body proxy fastcgi uwsgi scgi; do echo "  ${t}_temp_path $state/tmp/$t;"; done
    echo "  server { listen 127.0.0.1:$port default_server; return 404; }"
    for dir in "$mirror"/*/; do
      host=$(basename "$dir")
      echo "  server { listen 127.0.0.1:$port; server_name $host; root $mirror/$host; }"
    done
    echo "}"
  } > "$state/nginx.conf"
  nginx -p "$state" -e "$state/error.log" -c "$state/nginx.conf" -g "daemon off; master_process off;" \
    </dev/null >"$state/nginx.out" 2>&1 &
  echo $! > "$state/server.pid"
  for _ in $(seq 100); do
    if python3 -c "import socket,sys; s=socket.socket(); sys.exit(s.connect_ex(('127.0.0.1', $port)))" 2>/dev/null; then
      echo "$port"
      exit 0
    fi
    sleep 0.05
  done
  echo "mirror_server: nginx did not start; see $state/error.log" >&2
  exit 1
  ;;
stop)
  state=$2
  if [ -f "$state/server.pid" ]; then
    kill "$(cat "$state/server.pid")" 2>/dev/null || true
    rm -f "$state/server.pid"
  fi
  ;;
*)
  echo "usage: $0 start MIRROR STATE | stop STATE" >&2
  exit 2
  ;;
esac
