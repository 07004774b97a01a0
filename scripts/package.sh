#!/usr/bin/env bash
# Builds the Windows program and packs the release archive
# dist/kstlupd-9.6-windows-x64.zip: kstlupd.exe and a short text on installing it.
set -euo pipefail
cd "$(dirname "$0")/.."

version=9.6
cmake --preset windows >/dev/null
cmake --build --preset windows --target kstlupd
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
cp build-windows/kstlupd.exe "$stage/"
x86_64-w64-mingw32-strip "$stage/kstlupd.exe"
cat > "$stage/README.txt" <<TEXT
KESTRL Data Updater $version for Windows (64-bit)

Installing: copy kstlupd.exe into the folder of the KESTRL logging program, the
one that holds kestrl.exe and the folders SAVE and IMPORT. Nothing else is needed.

Running: close KESTRL first, then start kstlupd.exe from that folder. Tick the
data you want and press Update. The updater keeps its downloads in UPDATE, the
files it replaced in BACKUP and a log of every step in kstlupd.log.

Unattended (for example from the Task Scheduler, started in that folder):
    kstlupd.exe -auto
Other options: -debug (more detail in the log), -proxy host:port, -reset (fetch
everything anew), -quick, -nocheck, -version a.b.c.d.
TEXT
sed -i 's/$/\r/' "$stage/README.txt"
mkdir -p dist
rm -f "dist/kstlupd-$version-windows-x64.zip"
(cd "$stage" && zip -q -X "$OLDPWD/dist/kstlupd-$version-windows-x64.zip" kstlupd.exe README.txt)
echo "dist/kstlupd-$version-windows-x64.zip"
