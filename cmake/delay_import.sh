#!/usr/bin/env bash
# Makes a delay-import library for a DLL from mingw-w64's import library of it:
#   delay_import.sh IMPORT_LIBRARY DLL_NAME OUTPUT
# Every function the import library names is taken into a .def file, and dlltool
# makes of it a library whose calls load the DLL at the first call (with the
# program's DLL search rules by then in force) instead of at start-up.
set -euo pipefail
import_library=$1
dll=$2
out=$3
def="${out%.a}.def"
{
  echo "LIBRARY $dll"
  echo "EXPORTS"
  x86_64-w64-mingw32-nm -g "$import_library" | sed -n 's/^[0-9a-fA-F]* I __imp_//p' | sort -u
} > "$def"
x86_64-w64-mingw32-dlltool --input-def "$def" --dllname "$dll" --output-delaylib "$out"
