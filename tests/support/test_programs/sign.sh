#!/usr/bin/env bash
# Signs stand-in programs with a test authority of its own: a root, the updater's
# signer and another signer under the same root.
#   sign.sh DIR   (reads DIR/kstlupd_9_7.exe and DIR/kstlupd_9_8.exe)
# Makes DIR/root.cer (DER), DIR/signed_9_7.exe and, from 9.8: signed_9_8.exe,
# other_signer_9_8.exe, tampered_9_8.exe (signed, then one byte of code changed) and
# forged_9_8.exe (signed under a root of the same name with a key of its own).
set -euo pipefail
dir=$1
work=$dir/signing
rm -rf "$work"
mkdir -p "$work"
cd "$work"
cat > ext.cnf <<'CNF'
[leaf]
basicConstraints = critical, CA:false
keyUsage = critical, digitalSignature
extendedKeyUsage = codeSigning
authorityKeyIdentifier = keyid
CNF
openssl req -x509 -newkey rsa:2048 -nodes -keyout root.key -out root.pem -days 3650 \
  -subj "/CN=kstlupd test root" -addext "basicConstraints=critical,CA:true" \
  -addext "keyUsage=critical,keyCertSign,cRLSign" 2>/dev/null
openssl req -x509 -newkey rsa:2048 -nodes -keyout fake.key -out fake.pem -days 3650 \
  -subj "/CN=kstlupd test root" -addext "basicConstraints=critical,CA:true" \
  -addext "keyUsage=critical,keyCertSign,cRLSign" 2>/dev/null
leaf() {  # leaf NAME SUBJECT-WORD ROOT
  openssl req -newkey rsa:2048 -nodes -keyout "$1.key" -out "$1.csr" -subj "/CN=kstlupd test $2" 2>/dev/null
  openssl x509 -req -in "$1.csr" -CA "$3.pem" -CAkey "$3.key" -CAcreateserial -days 3650 \
    -extfile ext.cnf -extensions leaf -out "$1.pem" 2>/dev/null
}
leaf updater updater root
leaf other other root
leaf forger updater fake
openssl x509 -in root.pem -outform DER -out "$dir/root.cer"
sign() {
  rm -f "$3"
  osslsigncode sign -certs "$1.pem" -key "$1.key" -h sha256 -in "$2" -out "$3" >/dev/null
}
sign updater "$dir/kstlupd_9_7.exe" "$dir/signed_9_7.exe"
sign updater "$dir/kstlupd_9_8.exe" "$dir/signed_9_8.exe"
sign other "$dir/kstlupd_9_8.exe" "$dir/other_signer_9_8.exe"
sign forger "$dir/kstlupd_9_8.exe" "$dir/forged_9_8.exe"
cp "$dir/signed_9_8.exe" "$dir/tampered_9_8.exe"
# The first byte of the code section (the file offset its header names).
offset=$(x86_64-w64-mingw32-objdump -h "$dir/tampered_9_8.exe" | awk '$2 == ".text" { print $6; exit }')
offset=$((16#$offset + 16))
printf '\x90' | dd of="$dir/tampered_9_8.exe" bs=1 seek="$offset" conv=notrunc status=none
