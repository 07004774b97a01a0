#!/usr/bin/env bash
# Benchmark of a whole unattended run with every source selected, against nginx on
# loopback: the first run (everything fetched and installed; about 300,000
# callsigns in all lists together) and the second run (nothing changed), with the
# bytes nginx sent for the second run, compared with `curl -z` checking the same
# files one by one. Needs the program built with the test hooks
# (build/kstlupd_testhooks), which reaches the catalogue's host names on loopback.
set -euo pipefail
cd "$(dirname "$0")/.."
top=$(pwd)
work=$(mktemp -d /tmp/kstlupd-bench-XXXXXX)
trap 'scripts/mirror_server.sh stop "$work/nginx"; rm -rf "$work"' EXIT

python3 scripts/make_sample_data.py "$work/sample" --calls 125000 >/dev/null
kestrl="$work/sample/kestrl"
read -r http_port https_port <<<"$(scripts/mirror_server.sh start "$work/sample/mirror" "$work/nginx")"

# Selections with every source on (the keep-alive node list excludes the other).
python3 - "$kestrl/kstlupd.ini" <<'PY'
import sys
sel = [0] * 27
for slot in (1, 4, 5, 7, 10, 11, 17, 18, 19, 20, 26):
    sel[slot] = 1
sel[21], sel[22], sel[23], sel[24] = map(ord, "ELOC")
sel[15] = 1
record = b"KSTLUPD\0" + b"9.6".ljust(8, b"\0") + b"INI\0" + bytes(27) + b"SEL\0" + bytes(sel) + b"UPD\0" + bytes(27)
assert len(record) == 109
open(sys.argv[1], "wb").write(record)
PY

connect_to=$(scripts/mirror_server.sh connect-to "$work/nginx")
run_once() {
  : > "$work/nginx/access.log"
  local start end
  start=$(date +%s.%N)
  (cd "$kestrl" && env -u http_proxy -u https_proxy -u DISPLAY KSTLUPD_TEST_CONNECT_TO="$connect_to" \
    SSL_CERT_FILE="$work/nginx/ca.pem" XDG_DATA_HOME="$work/xdg" "$top/build/kstlupd_testhooks" -auto -nocheck </dev/null)
  end=$(date +%s.%N)
  python3 -c "print('%.3f' % ($end - $start))"
}
sent() { awk '{s += $5} END {print s + 0}' "$work/nginx/access.log"; }
# Requests, connections and the most bytes one source cost.
traffic() {
  awk 'NF >= 6 { n++; if (!($6 in c)) { c[$6] = 1; k++ } if ($5 > m) m = $5 }
       END { printf "%d requests over %d connections; at most %d bytes per source", n, k, m }' \
    "$work/nginx/access.log"
}
calls=$(cat "$work"/sample/mirror/*/MASTER.LIS "$work"/sample/mirror/*/lotw/lotw1.txt \
  "$work"/sample/mirror/*/qslcard/DownloadedFiles/AGMemberList.txt "$work"/sample/mirror/*/lists/*.txt | wc -l)
clublog=$(unzip -p "$work"/sample/mirror/cdn.clublog.org/clublog.scp.zip | wc -l)

first=$(run_once)
first_bytes=$(sent)
grep -q "^INFO:.*files were updated" "$kestrl/kstlupd.log" || { echo "first run did not install"; exit 1; }
installed=$(grep -c '^Updated:' "$kestrl/kstlupd.log")
second=$(run_once)
second_bytes=$(sent)
second_traffic=$(traffic)
grep -q "No files were updated" "$kestrl/kstlupd.log" || { echo "second run installed something"; exit 1; }

# The same check with curl: one conditional request per file, copies kept apart.
mkdir -p "$work/curl"
urls=()
while IFS= read -r path; do
  rel=${path#"$work/sample/mirror/"}
  host=${rel%%/*}
  scheme=http
  [ "$host" = cdn.clublog.org ] && scheme=https
  urls+=("$scheme://$rel")
done < <(find "$work/sample/mirror" -type f -not -path '*/updater/*' | sort)
fetch_all() {
  for url in "${urls[@]}"; do
    local out="$work/curl/$(echo "$url" | tr '/:' '__')"
    local z=() port=$http_port
    [ -f "$out" ] && z=(-z "$out")
    [ "${url%%:*}" = https ] && port=$https_port
    curl -s -R "${z[@]}" -o "$out" --cacert "$work/nginx/ca.pem" --connect-to "::127.0.0.1:$port" "$url"
  done
}
fetch_all
start=$(date +%s.%N)
fetch_all
end=$(date +%s.%N)
curl_check=$(python3 -c "print('%.3f' % ($end - $start))")

echo "callsign lines: $((calls + clublog)) in the lists; ${#urls[@]} files"
echo "first run (fetch and install everything): ${first} s, nginx sent ${first_bytes} bytes, ${installed} targets installed"
echo "second run (nothing changed):            ${second} s, nginx sent ${second_bytes} bytes"
echo "                                          ${second_traffic}"
echo "curl -z checking the same files:         ${curl_check} s"
