#!/usr/bin/env bash
# A caching proxy (squid) on loopback in front of a web server on loopback, for
# tests: every request goes to that server, and answers are kept in memory and
# served again as a cache would.
#
#   caching_proxy.sh start STATE SERVER_PORT [USER PASSWORD]
#                                  starts it, prints its port; with USER and PASSWORD
#                                  it serves only who logs in so (Basic)
#   caching_proxy.sh stop STATE    stops it
# STATE is a folder of its own for the configuration and squid's output. Squid
# started by root runs as its own user, which may not write there: it keeps no log.
set -euo pipefail

case "${1:-}" in
start)
  mkdir -p "$2"
  state=$(cd "$2" && pwd)
  command -v squid >/dev/null || { echo "caching_proxy: squid is not installed" >&2; exit 1; }
  access="http_access allow all"
  if [ -n "${4:-}" ]; then
    # The login check runs as squid's own user: its password file lies where that
    # user can read it.
    logins=$(mktemp -d /tmp/kstlupd-squid.XXXXXX)
    chmod 755 "$logins"
    printf '%s:%s\n' "$4" "$(openssl passwd -1 "$5")" > "$logins/passwords"
    chmod 644 "$logins/passwords"
    echo "$logins" > "$state/logins"
    access="auth_param basic program /usr/lib/squid/basic_ncsa_auth $logins/passwords
auth_param basic realm kstlupd tests
acl login proxy_auth REQUIRED
http_access allow login
http_access deny all"
  fi
  port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
  cat > "$state/squid.conf" <<CONF
http_port 127.0.0.1:$port
pid_filename none
cache_log /dev/null
access_log none
cache_store_log none
cache_mem 32 MB
maximum_object_size_in_memory 16 MB
cache_peer 127.0.0.1 parent $3 0 no-query no-digest no-netdb-exchange default
never_direct allow all
$access
shutdown_lifetime 0 seconds
pinger_enable off
netdb_filename none
dns_nameservers 127.0.0.1
CONF
  # A service name of its own keeps its shared memory apart from any other squid's.
  echo "kstlupd$port" > "$state/service"
  squid -N -n "kstlupd$port" -f "$state/squid.conf" </dev/null >"$state/squid.out" 2>&1 &
  echo $! > "$state/squid.pid"
  for _ in $(seq 100); do
    if python3 -c "import socket,sys; s=socket.socket(); sys.exit(s.connect_ex(('127.0.0.1', $port)))" 2>/dev/null; then
      echo "$port"
      exit 0
    fi
    kill -0 "$(cat "$state/squid.pid")" 2>/dev/null || break
    sleep 0.1
  done
  echo "caching_proxy: squid did not start; see $state/squid.out" >&2
  exit 1
  ;;
stop)
  if [ -f "$2/squid.pid" ]; then
    pid=$(cat "$2/squid.pid")
    kill "$pid" 2>/dev/null || true
    for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    rm -f "$2/squid.pid"
  fi
  if [ -f "$2/logins" ]; then
    rm -rf "$(cat "$2/logins")"
    rm -f "$2/logins"
  fi
  if [ -f "$2/service" ]; then
    rm -f /dev/shm/"$(cat "$2/service")"-*
    rm -f "$2/service"
  fi
  ;;
*)
  echo "usage: $0 start STATE SERVER_PORT [USER PASSWORD] | stop STATE" >&2
  exit 2
  ;;
esac
