#!/usr/bin/env bash
# Runs the Linux build's end-to-end tests against the Windows program under Wine:
# the same sample data, nginx and expectations, with kstlupd.exe in place of the
# Linux binary. Skipped (77) when the Linux build's tests are not there.
set -euo pipefail
host_tests=$1
exe=$2
if [ ! -x "$host_tests" ]; then
  echo "wine_e2e: no Linux test binary at $host_tests (build it with scripts/build.sh); skipped"
  exit 77
fi
KSTLUPD_E2E_WINE_EXE=$exe exec "$host_tests" --gtest_filter='UpdateRunEndToEnd.*:E2eSelfUpdate.*:E2eHttp.*'
