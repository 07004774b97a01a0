#!/usr/bin/env bash
# Installs every Debian package the build, the tests, the benchmarks and the demo
# need. Safe to run again; needs root (or sudo) on Debian 12.
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  libgtest-dev libgmock-dev
  clang libclang-rt-14-dev
  zlib1g-dev libminizip-dev nlohmann-json3-dev libcurl4-openssl-dev libssl-dev libfltk1.3-dev libx11-dev
  zip unzip python3 openssl ca-certificates curl wget nginx
  xvfb xdotool x11-utils imagemagick fonts-liberation
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  echo "setup: all packages present"
  exit 0
fi

sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
echo "setup: installing ${missing[*]}"
"${sudo_cmd[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
