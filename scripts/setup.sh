#!/usr/bin/env bash
# Installs every Debian package the build, the tests, the benchmarks and the demo
# need, and fetches the sources of minizip and libsodium for the Windows build into
# .deps/ (Debian ships no Windows build of them; apt-get source needs a deb-src
# entry, so one may be added to apt's sources, followed by apt-get update). Safe to run again; needs root
# (or sudo) on Debian 12.
#   scripts/setup.sh --linux   only what building and running the Linux program
#                              needs (no tests, Wine, mingw-w64, clang or nginx)
set -euo pipefail
cd "$(dirname "$0")/.."

linux_only=0
[ "${1:-}" = "--linux" ] && linux_only=1

packages=(
  build-essential cmake pkg-config dpkg-dev
  libgtest-dev libgmock-dev googletest
  clang clang-format libclang-rt-14-dev
  zlib1g-dev libminizip-dev nlohmann-json3-dev libcurl4-openssl-dev libssl-dev libfltk1.3-dev libx11-dev
  zip unzip python3 openssl osslsigncode ca-certificates curl wget nginx
  xvfb xdotool x11-utils imagemagick fonts-liberation fonts-wine xauth xdg-utils man-db
  g++-mingw-w64-x86-64-posix libz-mingw-w64-dev wine wine64
  systemd
  minisign libsodium-dev squid nsis lintian ccache
)
if [ "$linux_only" = 1 ]; then
  packages=(
    build-essential cmake pkg-config
    zlib1g-dev libminizip-dev nlohmann-json3-dev libcurl4-openssl-dev libfltk1.3-dev libx11-dev libsodium-dev
    ca-certificates xdg-utils
  )
fi

sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
else
  echo "setup: all packages present"
fi

[ "$linux_only" = 1 ] && exit 0

# minizip's and libsodium's sources for the Windows build, from Debian's own source packages.
if ! compgen -G ".deps/minizip-*/unzip.c" >/dev/null || ! compgen -G ".deps/libsodium-*/src/libsodium/sodium/core.c" >/dev/null; then
  # apt-get source needs a deb-src entry; derive one from the machine's own sources.
  if ! grep -rqsE '^(deb-src|Types:.*deb-src)' /etc/apt/sources.list /etc/apt/sources.list.d/; then
    tmp=$(mktemp)
    for f in /etc/apt/sources.list.d/*.sources; do
      [ -f "$f" ] && sed -E 's/^Types:.*/Types: deb-src/' "$f" >>"$tmp" && echo >>"$tmp"
    done
    if [ -s "$tmp" ]; then
      "${sudo_cmd[@]}" install -m 644 "$tmp" /etc/apt/sources.list.d/kstlupd-deb-src.sources
    fi
    rm -f "$tmp"
    tmp=$(mktemp)
    for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
      [ -f "$f" ] && sed -nE 's/^deb (.*)/deb-src \1/p' "$f" >>"$tmp"
    done
    if [ -s "$tmp" ]; then
      "${sudo_cmd[@]}" install -m 644 "$tmp" /etc/apt/sources.list.d/kstlupd-deb-src.list
    fi
    rm -f "$tmp"
    "${sudo_cmd[@]}" apt-get update -qq
  fi
  mkdir -p .deps
  compgen -G ".deps/minizip-*/unzip.c" >/dev/null || (cd .deps && apt-get source -qq minizip >/dev/null)
  compgen -G ".deps/minizip-*/unzip.c" >/dev/null || { echo "setup: no minizip source in .deps" >&2; exit 1; }
  echo "setup: minizip source in $(ls -d .deps/minizip-*/)"
  compgen -G ".deps/libsodium-*/src/libsodium/sodium/core.c" >/dev/null ||
    (cd .deps && apt-get source -qq libsodium >/dev/null)
  compgen -G ".deps/libsodium-*/src/libsodium/sodium/core.c" >/dev/null ||
    { echo "setup: no libsodium source in .deps" >&2; exit 1; }
  echo "setup: libsodium source in $(ls -d .deps/libsodium-*/)"
fi
