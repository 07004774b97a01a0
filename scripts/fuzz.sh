#!/usr/bin/env bash
# Builds the fuzz targets (build-fuzz/, clang with libFuzzer and the sanitizers) and
# runs each for SECONDS, or only the targets named. Every target's corpus grows in
# build-fuzz/corpus/<target>; an input that fails is kept in build-fuzz/findings/.
# Exits non-zero when any target fails.
#   usage: scripts/fuzz.sh SECONDS [TARGET...]     e.g. scripts/fuzz.sh 600 calendar_fuzz
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:?usage: scripts/fuzz.sh SECONDS [TARGET...]}
shift
dir="$PWD/build-fuzz"
realdata=${KSTLUPD_REALDATA:-../shared/realdata}

# Debian's minizip sources (scripts/setup.sh fetches them into .deps/ for the Windows
# build) let the zip target instrument the archive reader as well; without them it
# fuzzes through the system library.
minizip=$(ls -d "$PWD"/.deps/minizip-*/ 2>/dev/null | head -1)
minizip=${minizip%/}
[ -n "$minizip" ] || echo "fuzz: no minizip sources in .deps/ (run scripts/setup.sh); the zip target uses the system library"
cmake -S bench/fuzz -B "$dir" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang -DKSTLUPD_FUZZ_MINIZIP="$minizip" >/dev/null
cmake --build "$dir" -j2 >/dev/null

targets=("$@")
[ ${#targets[@]} -gt 0 ] || mapfile -t targets < <(cd bench/fuzz && ls ./*_fuzz.cpp | sed 's|^\./||; s|\.cpp$||')

python3 bench/fuzz/make_seeds.py "$dir/seeds" "$realdata"
"$dir/pe_seeds" "$dir/seeds/pe_version_fuzz"
# The test build's stand-in programs carry version strings and signatures.
cp build/test-programs/*.exe "$dir/seeds/pe_version_fuzz/" 2>/dev/null || true
# And the minisign signatures the tests made of them.
mkdir -p "$dir/seeds/update_signature_fuzz"
cp build/test-programs/*.minisig "$dir/seeds/update_signature_fuzz/" 2>/dev/null || true

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:allocator_may_return_null=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
failed=0
for target in "${targets[@]}"; do
  mkdir -p "$dir/corpus/$target" "$dir/findings/$target"
  max_len=16384
  [ "$target" = pe_version_fuzz ] && max_len=65536
  log="$dir/findings/$target.log"
  status=0
  nice -n 19 "$dir/$target" -max_total_time="$seconds" -max_len="$max_len" -timeout=20 -rss_limit_mb=1024 \
    -print_final_stats=1 -artifact_prefix="$dir/findings/$target/" \
    "$dir/corpus/$target" "$dir/seeds/$target" >"$log" 2>&1 || status=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
  coverage=$(grep -oE "cov: [0-9]+ ft: [0-9]+" "$log" | tail -1 || true)
  if [ "$status" -eq 0 ]; then
    echo "fuzz: $target: ${runs:-?} runs, ${coverage:-no coverage line}, no finding"
  else
    failed=1
    echo "fuzz: $target FAILED (exit $status), ${runs:-?} runs; input in $dir/findings/$target/, log $log:"
    grep -E 'ERROR|FINDING|SUMMARY|runtime error' "$log" | head -5 || true
  fi
done
exit "$failed"
