#!/usr/bin/env bash
# Runs a Windows program of the build under Wine: the build's own prefix, no debug
# output, no Mono or Gecko prompts, and the fixture's X server when it runs.
#   wine_run.sh BUILD_DIR PROGRAM [ARGUMENTS...]
set -euo pipefail
build=$1
shift
# A wininet.dll is taken from disk before Wine's own, as Windows would take one
# planted beside a program that looked there (a test shows that ours does not).
export WINEPREFIX="$build/wine-prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;wininet=n,b"
if [ -f "$build/test-servers/display" ]; then
  DISPLAY=:$(cat "$build/test-servers/display")
  export DISPLAY
fi
exec wine "$@"
