#!/usr/bin/env bash
# Makes a throwaway minisign key pair, and another, and signs stand-in programs with
# them as a publisher would, each as kstlupd.exe:
#   minisign.sh DIR   (reads the programs in DIR)
# Makes DIR/update.pub (the trusted key) and DIR/<program>.minisig for the programs
# below; other_key.minisig (9.7, another key), renamed.minisig (9.7 signed under its
# own file name), comment.minisig (9.7, its trusted comment altered) and
# legacy.minisig (9.7, minisign's legacy kind).
set -euo pipefail
dir=$1
work=$dir/minisign
rm -rf "$work"
mkdir -p "$work"
cd "$work"
minisign -G -W -f -p update.pub -s update.key >/dev/null
minisign -G -W -f -p other.pub -s other.key >/dev/null
sign() {  # sign PROGRAM KEY SIGNATURE [minisign options]
  cp "$dir/$1" kstlupd.exe
  minisign -S -s "$2.key" -m kstlupd.exe -x "$3" "${@:4}" >/dev/null
}
for program in kstlupd_9_5.exe kstlupd_9_7.exe kstlupd_9_8.exe console_9_7.exe signed_9_8.exe; do
  sign "$program" update "$dir/$program.minisig"
done
sign kstlupd_9_7.exe other "$dir/other_key.minisig"
sign kstlupd_9_7.exe update "$dir/legacy.minisig" -l
cp "$dir/kstlupd_9_7.exe" renamed.exe
minisign -S -s update.key -m renamed.exe -x "$dir/renamed.minisig" >/dev/null
sed '3s/^trusted comment: /trusted comment: x/' "$dir/kstlupd_9_7.exe.minisig" >"$dir/comment.minisig"
cp update.pub "$dir/update.pub"
