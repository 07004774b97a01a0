#!/usr/bin/env bash
# Checks the Debian package as a user gets it:
#   deb_checks.sh PACKAGE.deb VERSION
# lintian finds no error in it; as root, `dpkg -i` installs it, the installed
# `kstlupd --version` answers, and `dpkg -r` leaves none of its files behind. The
# install is skipped (and said so) where kstlupd is installed already, from
# elsewhere, or without root; the package is removed again however the check ends.
set -euo pipefail
deb=$1
version=$2
fail() { echo "deb_checks: $*" >&2; exit 1; }

# The warnings are shown; an error fails the check.
if ! report=$(lintian --fail-on error "$deb" 2>&1); then
  echo "$report" >&2
  fail "lintian reports errors in $deb"
fi
grep -v 'running with root privileges' <<<"$report" || true

if [ "$(id -u)" -ne 0 ]; then
  echo "deb_checks: not root, so the package is not installed here" >&2
  exit 0
fi
if dpkg-query -W -f='${Status}' kstlupd 2>/dev/null | grep -q 'installed'; then
  echo "deb_checks: a kstlupd package is installed already, so this one is not tried here" >&2
  exit 0
fi
trap 'dpkg -r kstlupd >/dev/null 2>&1 || true' EXIT
files=$(dpkg-deb --fsys-tarfile "$deb" | tar -t | sed -n 's|^\./\(.*[^/]\)$|/\1|p')
dpkg -i "$deb" >/dev/null || fail "dpkg -i failed"
said=$(/usr/bin/kstlupd --version)
[ "$said" = "kstlupd $version" ] || fail "the installed kstlupd --version said '$said'"
grep -q '^Exec=.*/usr/bin/kstlupd' /usr/share/applications/kstlupd.desktop || fail "the desktop entry does not name /usr/bin/kstlupd"
dpkg -r kstlupd >/dev/null || fail "dpkg -r failed"
left=$(for file in $files; do [ ! -e "$file" ] || echo "$file"; done)
[ -z "$left" ] || fail "dpkg -r left $left"
