#!/usr/bin/env bash
# Builds the program and the tests: build/ (warnings are errors) and, with
# --sanitize, build-asan/ with AddressSanitizer and UndefinedBehaviorSanitizer.
# The settings of each are the presets "default" and "asan" of CMakePresets.json.
set -euo pipefail
cd "$(dirname "$0")/.."

preset=default
if [ "${1:-}" = "--sanitize" ]; then
  preset=asan
fi
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" -j"$(nproc)"
