#!/usr/bin/env bash
# A web server for a sample mirror on loopback: nginx serving MIRROR/<host>/... by
# the request's host name, plain HTTP on one port (also for requests sent to it as to
# a proxy) and HTTPS on another, with a certificate of its own test authority.
#
#   mirror_server.sh start MIRROR STATE   starts it, prints "HTTP_PORT HTTPS_PORT"
#   mirror_server.sh connect-to STATE     prints libcurl CONNECT_TO pairs that send every
#                                         host of the mirror (ports 80 and 443) to it
#   mirror_server.sh stop STATE           stops it
# STATE is a folder of its own for the configuration, logs, pid file and
# certificates; STATE/ca.pem is the authority to trust (SSL_CERT_FILE). Lines of
# STATE/locations.conf, when there is one, go into every host's server block, with
# @HTTP_PORT@ and @HTTPS_PORT@ replaced by the ports (tests put redirects there).
set -euo pipefail

cmd=${1:-}
case "$cmd" in
start)
  mirror=$(cd "$2" && pwd)
  mkdir -p "$3/tmp"
  state=$(cd "$3" && pwd)
  free_port() { python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'; }
  port=$(free_port)
  tls_port=$(free_port)
  hosts=()
  for dir in "$mirror"/*/; do hosts+=("$(basename "$dir")"); done

  # A test authority and a server certificate naming every host of the mirror.
  if [ ! -f "$state/server.pem" ]; then
    san=$(printf 'DNS:%s,' localhost "${hosts[@]}")
    ec=(-newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes)
    openssl req -x509 "${ec[@]}" -keyout "$state/ca.key" -out "$state/ca.pem" -days 30 \
      -subj "/CN=Sample mirror test authority" 2>/dev/null
    openssl req "${ec[@]}" -keyout "$state/server.key" -out "$state/server.csr" -subj "/CN=localhost" 2>/dev/null
    printf 'subjectAltName=%s\n' "${san%,}" > "$state/san.ext"
    openssl x509 -req -in "$state/server.csr" -CA "$state/ca.pem" -CAkey "$state/ca.key" -CAcreateserial \
      -out "$state/server.pem" -days 30 -extfile "$state/san.ext" 2>/dev/null
  fi
  {
    echo "pid $state/nginx.pid;"
    echo "error_log $state/error.log;"
    echo "events { worker_connections 64; }"
    echo "http {"
    echo "  default_type application/octet-stream;"
    # Not modified since the time asked about, as most web servers judge it (nginx
    # alone by default wants the exact Last-Modified time back).
    echo "  if_modified_since before;"
    echo "  log_format bytes '\$host \$request_method \$request_uri \$status \$bytes_sent \$connection';"
    echo "  access_log $state/access.log bytes;"
    for t in client_body proxy fastcgi uwsgi scgi; do echo "  ${t}_temp_path $state/tmp/$t;"; done
    echo "  ssl_certificate $state/server.pem;"
    echo "  ssl_certificate_key $state/server.key;"
    echo "  server { listen 127.0.0.1:$port default_server; listen 127.0.0.1:$tls_port ssl default_server; return 404; }"
    locations=""
    if [ -f "$state/locations.conf" ]; then
      locations=$(sed -e "s/@HTTP_PORT@/$port/g" -e "s/@HTTPS_PORT@/$tls_port/g" "$state/locations.conf" | tr '\n' ' ')
    fi
    for host in "${hosts[@]}"; do
      echo "  server { listen 127.0.0.1:$port; listen 127.0.0.1:$tls_port ssl; server_name $host; root $mirror/$host; $locations}"
    done
    echo "}"
  } > "$state/nginx.conf"
  nginx -p "$state" -e "$state/error.log" -c "$state/nginx.conf" -g "daemon off; master_process off;" \
    </dev/null >"$state/nginx.out" 2>&1 &
  echo $! > "$state/server.pid"
  printf '%s\n' "${hosts[@]}" > "$state/hosts"
  echo "$port $tls_port" > "$state/ports"
  for _ in $(seq 100); do
    if python3 -c "import socket,sys; s=socket.socket(); sys.exit(s.connect_ex(('127.0.0.1', $port)))" 2>/dev/null; then
      echo "$port $tls_port"
      exit 0
    fi
    sleep 0.05
  done
  echo "mirror_server: nginx did not start; see $state/error.log" >&2
  exit 1
  ;;
connect-to)
  read -r port tls_port < "$2/ports"
  pairs=""
  while IFS= read -r host; do
    pairs+="$host:80:127.0.0.1:$port,$host:443:127.0.0.1:$tls_port,"
  done < "$2/hosts"
  echo "${pairs%,}"
  ;;
stop)
  state=$2
  if [ -f "$state/server.pid" ]; then
    kill "$(cat "$state/server.pid")" 2>/dev/null || true
    rm -f "$state/server.pid"
  fi
  ;;
*)
  echo "usage: $0 start MIRROR STATE | connect-to STATE | stop STATE" >&2
  exit 2
  ;;
esac
