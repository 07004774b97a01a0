// Any bytes as a signature file, and as the program it would sign: what is shown of it
// is plain text, and without the secret key nothing is ever accepted, not even a file
// whose key id is one of the trusted keys'.
#include <sodium.h>

#include <string>

#include "base/outside_text.h"
#include "fuzz_support.h"
#include "net/update_signature.h"

namespace {

// A trusted key whose id the input can name: "Ed", the id 0x01 x 8, a public key.
std::string trusted_key()
{
    unsigned char raw[42] = {'E', 'd', 1, 1, 1, 1, 1, 1, 1, 1};
    unsigned char secret[crypto_sign_SECRETKEYBYTES];
    crypto_sign_keypair(raw + 10, secret);
    char text[64];
    sodium_bin2base64(text, sizeof text, raw, sizeof raw, sodium_base64_VARIANT_ORIGINAL);
    return text;
}

// Every character of shown text is printable or a tab: no C0 or C1 control, no
// bidirectional control, no byte that is not UTF-8.
bool plain_text(const std::string& text)
{
    for (size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if ((c < 0x20 && c != '\t') || c == 0x7F) return false;
        if (c < 0x80) continue;
        const size_t length = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : 2;
        unsigned char first = static_cast<unsigned char>(text[i + 1 < text.size() ? i + 1 : i]);
        if (c < 0xC2 || c > 0xF4 || i + length > text.size()) return false;
        for (size_t k = 1; k < length; ++k)
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
        if (c == 0xC2 && first < 0xA0) return false;  // U+0080..U+009F
        if (c == 0xE2 && first == 0x80 && text[i + 2] >= char(0xAA) && text[i + 2] <= char(0xAE)) return false;
        if (c == 0xE2 && first == 0x81 && text[i + 2] >= char(0xA6) && text[i + 2] <= char(0xA9)) return false;
        i += length - 1;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz_setup();
    return sodium_init() < 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const std::string keys = trusted_key() + ";RWQBAQEBAQEBAQ==";
    const std::string input(reinterpret_cast<const char*>(data), size);
    const size_t split = input.find('\0');
    const std::string signature = input.substr(0, split);
    const std::string program = split == std::string::npos ? std::string() : input.substr(split + 1);
    if (update_signature_refusal(program, signature, keys).empty()) fuzz_fail("a forged signature was accepted");
    if (!plain_text(shown_text(input))) fuzz_fail("shown text still holds a control or a byte that is no UTF-8");
    return 0;
}
