// The publisher's signature on a new program file: a minisign signature (Ed25519 over
// the BLAKE2b-512 hash of the file) made with one of the keys built into the program.
#pragma once

#include <string>

// The keys this program trusts for its updates, as KSTLUPD_UPDATE_KEYS is written
// (base64 lines of minisign.pub, ';'-separated): the build's, or in the test programs
// those a test gives. Empty when the build has none.
std::string trusted_update_keys();

// Why the minisign signature file `signature` does not show that one of `keys` signed
// exactly `bytes` as kstlupd.exe, or empty when it does. Refused: a signature file
// not in minisign's format, the legacy (not prehashed) kind, a key that is not among
// `keys`, a signature or a trusted comment that does not verify, and a trusted
// comment naming another file. Changes and reports nothing.
[[nodiscard]] std::string update_signature_refusal(const std::string& bytes, const std::string& signature,
                                                   const std::string& keys);
