#!/usr/bin/env bash
# Builds the Windows program and packs the release archive
# dist/kstlupd-<version>-windows-x64.zip: kstlupd.exe, README.txt (installing,
# scheduling, updating, removing), LICENSE.txt and THIRD-PARTY.txt (the notices of
# the libraries linked into kstlupd.exe, from the Debian packages they came from).
# Checks the archive it made before it says where it is.
set -euo pipefail
cd "$(dirname "$0")/.."

cmake --preset windows >/dev/null
# The version is the project's, as the build configured it.
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build-windows/CMakeCache.txt)
[ -n "$version" ] || { echo "package: build-windows/CMakeCache.txt holds no project version" >&2; exit 1; }
zip_path="dist/kstlupd-$version-windows-x64.zip"
cmake --build --preset windows --target kstlupd
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
cp build-windows/kstlupd.exe "$stage/"
x86_64-w64-mingw32-strip "$stage/kstlupd.exe"

cat > "$stage/README.txt" <<TEXT
KESTRL Data Updater $version for Windows (64-bit)

Installing: copy kstlupd.exe into the folder of the KESTRL logging program, the
one that holds kestrl.exe and the folders SAVE and IMPORT (for example
C:\\KESTRL). Nothing else is needed.

Running: close KESTRL first, then start kstlupd.exe from that folder. Tick the
data you want and press Update. The updater keeps its downloads in UPDATE, the
files it replaced in BACKUP, its selections in kstlupd.ini and a log of every
step in kstlupd.log. kstlupd.exe -help lists its options.

Scheduling: kstlupd.exe -auto updates without a window (the data last chosen in
the window, or the defaults). For a daily run at 06:30, in a command prompt:
    schtasks /Create /TN "KESTRL Data Updater" /SC DAILY /ST 06:30 /TR "C:\\KESTRL\\kstlupd.exe -auto"
Then, in the Task Scheduler, open the task's properties (Actions, Edit) and fill
in C:\\KESTRL as "Start in". (Started elsewhere, the updater works in its own
folder anyway when that is the logging program's.) A run that met an error still
ends with exit code 0: the log says what failed, and with the output redirected
(kstlupd.exe -auto 2> failed.txt) anything written means the run failed. Exit
code -1 (shown as 0xFFFFFFFF) means it could not start: wrong folder, KESTRL
running or too old, a bad option.

Updating: when a newer updater is published, kstlupd.exe offers it at start and
replaces itself when you agree. Or copy the kstlupd.exe of a newer archive over
the old one.

Removing: delete the scheduled task, if any
(schtasks /Delete /TN "KESTRL Data Updater"), then from the logging program's
folder kstlupd.exe, kstlupd.ini, kstlupd.log and the folders UPDATE and BACKUP
(BACKUP holds the data files the updates replaced; keep it if you may want them
back). The updater also leaves kestrl.php, its copy of the DX calendar, in
%APPDATA%\\KESTRL. A run that was cut off may leave files ending in .~kstlupd;
they can be deleted too.

LICENSE.txt is the updater's licence; THIRD-PARTY.txt holds the notices of the
libraries built into kstlupd.exe.
TEXT

cp LICENSE "$stage/LICENSE.txt"

# What kstlupd.exe links statically, with the copyright file of the Debian package
# each came from.
notices=(
  "zlib|libz-mingw-w64-dev"
  "minizip (zip archives; compiled from Debian's source package)|libminizip-dev"
  "mingw-w64 runtime and winpthreads|mingw-w64-x86-64-dev"
  "GCC runtime libraries (libgcc, libstdc++), under the GCC Runtime Library Exception|g++-mingw-w64-x86-64-posix"
)
{
  echo "kstlupd.exe contains the following libraries. Their notices follow, each as"
  echo "the Debian package it was built from gives them."
  for entry in "${notices[@]}"; do
    what=${entry%%|*}
    package=${entry##*|}
    copyright=/usr/share/doc/$package/copyright
    [ -f "$copyright" ] || { echo "package: no $copyright (run scripts/setup.sh)" >&2; exit 1; }
    echo
    echo "=============================================================================="
    echo "$what"
    echo "Debian package $package $(dpkg-query -W -f='${Version}' "$package"), $copyright"
    echo "=============================================================================="
    echo
    cat "$copyright"
  done
} > "$stage/THIRD-PARTY.txt"

sed -i 's/$/\r/' "$stage/README.txt" "$stage/LICENSE.txt" "$stage/THIRD-PARTY.txt"
mkdir -p dist
rm -f "$zip_path"
files=(kstlupd.exe README.txt LICENSE.txt THIRD-PARTY.txt)
(cd "$stage" && zip -q -X "$OLDPWD/$zip_path" "${files[@]}")

# The archive as a user gets it: exactly these files, a Windows GUI program, the
# texts with CR LF, and a notice for each library.
check=$(mktemp -d)
trap 'rm -rf "$stage" "$check"' EXIT
unzip -q "$zip_path" -d "$check"
fail() { echo "package: $*" >&2; exit 1; }
[ "$(cd "$check" && ls | sort | tr '\n' ' ')" = "$(printf '%s\n' "${files[@]}" | sort | tr '\n' ' ')" ] ||
  fail "the archive holds $(cd "$check" && ls | tr '\n' ' ')"
headers=$(x86_64-w64-mingw32-objdump -f -p "$check/kstlupd.exe")
grep -q 'Subsystem.*(Windows GUI)' <<<"$headers" && grep -q 'pei-x86-64' <<<"$headers" ||
  fail "kstlupd.exe is no 64-bit Windows GUI program"
for text in README.txt LICENSE.txt THIRD-PARTY.txt; do
  if grep -q $'[^\r]$' "$check/$text"; then fail "$text has a line without CR LF"; fi
done
grep -q 'the kstlupd authors' "$check/LICENSE.txt" || fail "LICENSE.txt names no copyright holder"
for notice in 'Jean-loup Gailly' 'Gilles Vollant' 'winpthreads' 'GCC RUNTIME LIBRARY EXCEPTION'; do
  grep -q "$notice" "$check/THIRD-PARTY.txt" || fail "THIRD-PARTY.txt lacks '$notice'"
done
for topic in Installing Scheduling Updating Removing schtasks; do
  grep -q "$topic" "$check/README.txt" || fail "README.txt says nothing under '$topic'"
done
echo "$zip_path"
