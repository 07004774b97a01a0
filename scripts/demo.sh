#!/usr/bin/env bash
# The main job, start to end, on this machine: sets everything up, builds the
# program, makes a sample logging-program folder and a sample mirror of every data
# source, serves the mirror with nginx on loopback, and runs an unattended update
# twice: the first run fetches and installs everything, the second finds every copy
# current. Everything it makes stays in demo/work; it can be run again. It runs the
# program built with the test hooks (build/kstlupd_testhooks), which can be told to
# reach the catalogue's host names on the local server; build/kstlupd, the release
# program, has no such hook.
set -euo pipefail
cd "$(dirname "$0")/.."
top=$(pwd)
work="$top/demo/work"

scripts/setup.sh
echo "== building (a few minutes the first time)"
cmake -S . -B build -DKSTLUPD_WERROR=ON -DKSTLUPD_TESTS=ON >/dev/null
# Make's own progress lines, one per step, so a long first build shows it is moving.
cmake --build build -j"$(nproc)" --target kstlupd_testhooks | { grep --line-buffered -E '^\[ *[0-9]+%\]' || true; } | sed -u 's/^/  /'

echo "== sample data"
rm -rf "$work"
mkdir -p "$work"
python3 scripts/make_sample_data.py "$work/sample"
kestrl="$work/sample/kestrl"
# The updater lives in the logging program's folder; the server offers an older
# program file, so no new version is offered.
cp build/kstlupd_testhooks "$kestrl/kstlupd.exe"

ports=$(scripts/mirror_server.sh start "$work/sample/mirror" "$work/nginx")
read -r http_port https_port <<<"$ports"
trap 'scripts/mirror_server.sh stop "$work/nginx"' EXIT
echo "nginx serves the mirror on 127.0.0.1:$http_port (HTTP) and :$https_port (HTTPS)"

# Every host name of the catalogue is reached on the local server, HTTPS with the
# mirror's own test authority; the program's own settings live in demo/work too.
connect_to=$(scripts/mirror_server.sh connect-to "$work/nginx")
run_update() {
  (cd "$kestrl" && env -u http_proxy -u https_proxy -u HTTP_PROXY -u HTTPS_PROXY -u ALL_PROXY -u all_proxy \
    -u DISPLAY KSTLUPD_TEST_CONNECT_TO="$connect_to" SSL_CERT_FILE="$work/nginx/ca.pem" \
    XDG_DATA_HOME="$work/xdg" ./kstlupd.exe -auto </dev/null)
}

echo
echo "== first run: kstlupd.exe -auto (in $kestrl; its log)"
: > "$work/nginx/access.log"
run_update
sed 's/^/  | /' "$kestrl/kstlupd.log"
echo
echo "== installed files"
(cd "$kestrl" && ls -l SAVE IMPORT BACKUP KESTRL.MAS1 KESTRL.MAS2 | sed 's/^/  /')
echo "  nginx sent $(awk '{s += $5} END {print s + 0}' "$work/nginx/access.log") bytes"

echo
echo "== second run: nothing has changed on the servers"
: > "$work/nginx/access.log"
run_update
sed 's/^/  | /' "$kestrl/kstlupd.log"
awk 'NF >= 6 { s += $5; n++; if (!($6 in c)) { c[$6] = 1; k++ } if ($5 > m) m = $5 }
     END { printf "  nginx sent %d bytes for %d requests over %d connections: at most %d bytes per source\n", s, n, k, m }' \
  "$work/nginx/access.log"
echo
echo "The log: $kestrl/kstlupd.log (-debug adds the program's own steps to it)"
