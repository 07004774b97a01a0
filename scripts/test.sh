#!/usr/bin/env bash
# Sets everything up, builds, and runs every test twice: in the normal build and in
# the sanitizer build. Exits non-zero when anything fails.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
scripts/build.sh
scripts/build.sh --sanitize

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

echo "== tests (build) =="
ctest --test-dir build --output-on-failure -j"$(nproc)"
echo "== tests (sanitizers) =="
ctest --test-dir build-asan --output-on-failure -j"$(nproc)"
echo "== fuzz targets (10 s each) ==" && scripts/fuzz.sh 10
