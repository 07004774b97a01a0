#!/usr/bin/env bash
# Checks a release program as it ships:
#   release_checks.sh PROGRAM TEST_PROGRAM [DLL...]
# PROGRAM names none of the test hooks' variables, which TEST_PROGRAM (built with
# the hooks) does name, so the search cannot pass by looking for the wrong text.
# With DLLs given, PROGRAM is a Windows program whose import table names those
# DLLs only (case-insensitive); the rest are delay-loaded from the system folder.
set -euo pipefail
program=$1
test_program=$2
shift 2
status=0
if grep -a -o 'KSTLUPD_TEST_[A-Z_]*' "$program" | sort -u | grep .; then
  echo "$program names the test hooks above" >&2
  status=1
fi
if ! grep -a -q 'KSTLUPD_TEST_' "$test_program"; then
  echo "$test_program does not name the test hooks: the search above proves nothing" >&2
  status=1
fi
if [ $# -gt 0 ]; then
  allowed=" $(echo "$*" | tr '[:upper:]' '[:lower:]') "
  imports=$(x86_64-w64-mingw32-objdump -p "$program" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr '[:upper:]' '[:lower:]' | sed 's/\.dll$//')
  if [ -z "$imports" ]; then
    echo "no import table read from $program" >&2
    status=1
  fi
  for dll in $imports; do
    case "$allowed" in
    *" $dll "*) ;;
    *) echo "$program imports $dll at start-up: it would be looked up beside the program" >&2; status=1 ;;
    esac
  done
fi
exit $status
