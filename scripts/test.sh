#!/usr/bin/env bash
# Sets everything up, builds, and runs every test three times over: in the normal
# build, in the sanitizer build, and the Windows build's tests under Wine (which
# also drive kstlupd.exe through the Linux build's end-to-end tests); then packs and
# checks the release: the zip, the setup program and the Debian package. Exits
# non-zero when anything fails.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
scripts/build.sh
scripts/build.sh --sanitize
cmake --preset windows >/dev/null
cmake --build --preset windows

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

echo "== fuzz targets (10 s each) =="
scripts/fuzz.sh 10

echo "== tests (build) =="
ctest --test-dir build --output-on-failure -j"$(nproc)"
echo "== tests (sanitizers) =="
ctest --test-dir build-asan --output-on-failure -j"$(nproc)"
echo "== tests (Windows build under Wine) =="
ctest --preset windows -j"$(nproc)"
echo "== release (zip, setup program, Debian package) =="
scripts/package.sh
