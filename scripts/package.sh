#!/usr/bin/env bash
# The one release command. Builds the Windows program and a Linux release build
# (build-release/, without the tests) and leaves in dist/:
#   kstlupd-<version>-windows-x64.zip  kstlupd.exe, its help page kstlupd.html,
#       README.txt (installing, scheduling, updating, removing), LICENSE.txt and
#       THIRD-PARTY.txt (the notices of the libraries linked into kstlupd.exe, from
#       the Debian packages they came from);
#   kstlupd-<version>-setup.exe        the Windows setup program (NSIS);
#   kstlupd_<version>-1_amd64.deb      the Debian package (CPack).
# Each is checked as a user gets it before it says where they are: the setup
# program installed and removed under Wine, the package checked by lintian and, as
# root, installed and removed with dpkg.
#
# With KSTLUPD_SIGNING_KEY naming a minisign secret key, it also signs: dist/ gets
# kstlupd.exe with kstlupd.exe.minisig (what the update address publishes) and a
# .minisig beside the zip and the setup program. It refuses a key whose public half
# the Windows build does not trust (the build's KSTLUPD_UPDATE_KEYS), since the
# installed programs would refuse what it signs.
set -euo pipefail
cd "$(dirname "$0")/.."
fail() { echo "package: $*" >&2; exit 1; }

cmake --preset windows >/dev/null
# The version is the project's, as the build configured it.
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build-windows/CMakeCache.txt)
[ -n "$version" ] || fail "build-windows/CMakeCache.txt holds no project version"
zip_path="dist/kstlupd-$version-windows-x64.zip"
setup_path="dist/kstlupd-$version-setup.exe"
deb_path="dist/kstlupd_$version-1_amd64.deb"

key=${KSTLUPD_SIGNING_KEY:-}
if [ -n "$key" ]; then
  [ -f "$key" ] || fail "KSTLUPD_SIGNING_KEY names no file: $key"
  public=$(mktemp -d)
  minisign -R -s "$key" -p "$public/key.pub" >/dev/null || { rm -rf "$public"; fail "no public key could be had from $key"; }
  public_line=$(sed -n 2p "$public/key.pub")
  rm -rf "$public"
  trusted=$(sed -n 's/^KSTLUPD_UPDATE_KEYS:[A-Z]*=//p' build-windows/CMakeCache.txt)
  case ";$trusted;" in
  *";$public_line;"*) ;;
  *) fail "the public half of $key ($public_line) is not among the build's KSTLUPD_UPDATE_KEYS ('$trusted'): configure build-windows with -DKSTLUPD_UPDATE_KEYS=... first" ;;
  esac
fi
sign() { minisign -S -s "$key" -t "kstlupd $version: $(basename "$1")" -m "$1" >/dev/null || fail "signing $1 failed"; }

cmake --build --preset windows --target kstlupd kstlupd_manual_page
# No signature of an earlier run may stand beside files it does not sign.
rm -f dist/*.minisig dist/kstlupd.exe
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
cp build-windows/kstlupd.exe build-windows/generated/kstlupd.html "$stage/"
x86_64-w64-mingw32-strip "$stage/kstlupd.exe"

cat > "$stage/README.txt" <<TEXT
KESTRL Data Updater $version for Windows (64-bit)

Installing: the simplest way is the setup program, kstlupd-$version-setup.exe. It
asks for the folder of the KESTRL logging program (the one that holds kestrl.exe
and the folders SAVE and IMPORT, C:\\KESTRL unless you chose another), puts
kstlupd.exe and its help page there, adds a Start-menu entry and, when you tick
"Update the data every day", a daily task. It needs no administrator rights.
Silently: kstlupd-$version-setup.exe /S /DAILY /D=C:\\KESTRL (/DAILY for the task).
By hand, from this archive: copy kstlupd.exe and kstlupd.html (the help page the
Help button opens) into that folder. Nothing else is needed.

Running: close KESTRL first, then start kstlupd.exe from that folder. Tick the
data you want and press Update. The updater keeps its downloads in UPDATE, the
files it replaced in BACKUP, its selections in kstlupd.ini and a log of every
step in kstlupd.log; the log of the run before is kept as kstlupd.old.log, so a
scheduled run that failed can still be read after the next one.
kstlupd.exe -help lists its options.

Scheduling: kstlupd.exe -auto updates without a window (the data last chosen in
the window, or the defaults). The setup program's "Update the data every day"
makes a daily task that starts it in its folder (its definition stays there as
kstlupd-task.xml). By hand, for a daily run at 06:30, as one line in a command
prompt:
    schtasks /Create /TN "KESTRL Data Updater" /SC DAILY /ST 06:30 /TR "\\"C:\\KESTRL\\kstlupd.exe\\" -auto"
(the \\" keep a folder with blanks in its name together). Then, in the Task
Scheduler, open the task's properties (Actions, Edit) and fill in C:\\KESTRL as
"Start in". (Started elsewhere, the updater works in its own folder anyway when
that is the logging program's.) A run that met an error still ends with exit
code 0: the log says what failed, and with the output redirected
(kstlupd.exe -auto 2> failed.txt) anything written means the run failed. Exit
code -1 (shown as 0xFFFFFFFF) means it could not start: wrong folder, KESTRL
running or too old, a bad option.

Updating: when a newer updater is published, kstlupd.exe offers it at start and
replaces itself when you agree, and only with a file its publisher signed (it
checks the file's minisign signature with a key built into the program, then
the file itself); a copy built without a key never offers one. Or
run the newer setup program, or copy the kstlupd.exe of a newer archive over
the old one.

Signatures: each release's files come with minisign signatures (.minisig); with
the publisher's public key, minisign -Vm kstlupd-$version-setup.exe -P KEY checks
one. The publisher makes the key pair with minisign -G, builds the program to
trust the public key, signs with KSTLUPD_SIGNING_KEY set for the release command
and publishes kstlupd.exe and kstlupd.exe.minisig at the update address. A new
key is brought in by a release that trusts both the old and the new key.

Removing: installed with the setup program, remove "KESTRL Data Updater" in
the list of installed programs (or run kstlupd-uninstall.exe in the folder):
it removes the program, its help page, the Start-menu entry and the daily task,
and leaves your data and the updater's own files listed below. Installed by
hand, delete the scheduled task, if any
(schtasks /Delete /TN "KESTRL Data Updater"), and kstlupd.exe and kstlupd.html.
What the updater itself writes, all of which can be deleted once it is gone:
in the logging program's folder kstlupd.ini, kstlupd.log, kstlupd.old.log,
kstlupd.lck (locked while a run goes on),
kstlupd.~xe (the previous program, after an update of itself) and the folders
UPDATE and BACKUP (BACKUP holds the data files the updates replaced; keep it
if you may want them back); and kestrl.php, its copy of the DX calendar, in
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
  "libsodium (update signatures; compiled from Debian's source package)|libsodium-dev"
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
    [ -f "$copyright" ] || fail "no $copyright (run scripts/setup.sh)"
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
files=(kstlupd.exe kstlupd.html README.txt LICENSE.txt THIRD-PARTY.txt)
(cd "$stage" && zip -q -X "$OLDPWD/$zip_path" "${files[@]}")

# The archive as a user gets it: exactly these files, a Windows GUI program, the
# texts with CR LF, and a notice for each library.
check=$(mktemp -d)
trap 'rm -rf "$stage" "$check"' EXIT
unzip -q "$zip_path" -d "$check"
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
for topic in Installing Scheduling Updating Signatures Removing schtasks setup.exe kstlupd.old.log kestrl.php; do
  grep -q "$topic" "$check/README.txt" || fail "README.txt says nothing under '$topic'"
done

# The setup program, from the same files, checked under Wine.
rm -f "$setup_path"
makensis -V2 -DVERSION="$version" -DSTAGE="$stage" -DOUTFILE="$PWD/$setup_path" installer/kstlupd.nsi
cmake/setup_checks.sh "$setup_path" "$version"

# The Debian package, from a release build without the tests, with the hardening
# flags Debian builds its packages with.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cmake -S . -B build-release -DKSTLUPD_TESTS=OFF -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)" \
  -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" >/dev/null
cmake --build build-release -j"$(nproc)"
rm -rf build-release/packages
(cd build-release && cpack -G DEB >/dev/null)
cp "build-release/packages/$(basename "$deb_path")" "$deb_path"
cmake/deb_checks.sh "$deb_path" "$version"

made=("$zip_path" "$setup_path" "$deb_path")
if [ -n "$key" ]; then
  cp "$stage/kstlupd.exe" dist/kstlupd.exe
  for file in dist/kstlupd.exe "$zip_path" "$setup_path"; do
    sign "$file"
    made+=("$file.minisig")
  done
  made+=(dist/kstlupd.exe)
fi
printf '%s\n' "${made[@]}"
