#!/usr/bin/env bash
# Runs a Windows program of the build under Wine: the build's own prefix, no debug
# output, no Mono or Gecko prompts, and the fixture's X server when it runs.
#   wine_run.sh BUILD_DIR PROGRAM [ARGUMENTS...]
set -euo pipefail
build=$1
shift
export WINEPREFIX="$build/wine-prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
if [ -f "$build/test-servers/display" ]; then
  DISPLAY=:$(cat "$build/test-servers/display")
  export DISPLAY
fi
exec wine "$@"
