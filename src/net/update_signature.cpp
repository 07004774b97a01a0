#include "net/update_signature.h"

#include <sodium.h>

#include <array>
#include <cstring>
#include <string_view>

#include "base/outside_text.h"
#include "platform/test_hooks.h"
#include "update_keys.h"

namespace {

using KeyId = std::array<unsigned char, 8>;

struct PublicKey {
    KeyId id{};
    std::array<unsigned char, crypto_sign_PUBLICKEYBYTES> key{};
};

// A minisign signature file: its signature line and its trusted comment with the
// signature over both.
struct SignatureFile {
    std::array<unsigned char, 2> algorithm{};
    KeyId key_id{};
    std::array<unsigned char, crypto_sign_BYTES> signature{};
    std::string trusted_comment;
    std::array<unsigned char, crypto_sign_BYTES> comment_signature{};
};

constexpr size_t kMaxSignatureFile = 16384;

// Decodes standard base64 (padding optional) into exactly `size` bytes; 1 when the text
// is that and nothing else.
int decode_base64(std::string_view text, unsigned char* out, size_t size)
{
    size_t written = 0;
    const char* end = nullptr;
    if (sodium_base642bin(out, size, text.data(), text.size(), nullptr, &written, &end,
                          sodium_base64_VARIANT_ORIGINAL) != 0)
        return 0;
    return written == size && end == text.data() + text.size();
}

// The next line of `text` from `*pos` without its line end.
std::string_view next_line(std::string_view text, size_t* pos)
{
    const size_t start = *pos;
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    *pos = end < text.size() ? end + 1 : end;
    std::string_view line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return line;
}

int parse_signature(std::string_view text, SignatureFile* out)
{
    constexpr std::string_view kUntrusted = "untrusted comment:";
    constexpr std::string_view kTrusted = "trusted comment: ";
    if (text.size() > kMaxSignatureFile) return 0;
    size_t pos = 0;
    if (!next_line(text, &pos).starts_with(kUntrusted)) return 0;
    unsigned char line[2 + 8 + crypto_sign_BYTES];
    if (!decode_base64(next_line(text, &pos), line, sizeof line)) return 0;
    std::memcpy(out->algorithm.data(), line, 2);
    std::memcpy(out->key_id.data(), line + 2, 8);
    std::memcpy(out->signature.data(), line + 10, crypto_sign_BYTES);
    const std::string_view comment = next_line(text, &pos);
    if (!comment.starts_with(kTrusted)) return 0;
    out->trusted_comment = comment.substr(kTrusted.size());
    if (!decode_base64(next_line(text, &pos), out->comment_signature.data(), crypto_sign_BYTES)) return 0;
    // Nothing but empty lines may follow.
    while (pos < text.size())
        if (!next_line(text, &pos).empty()) return 0;
    return 1;
}

// The key of `keys` with this id; 0 when there is none.
int find_key(const std::string& keys, const KeyId& id, PublicKey* out)
{
    size_t start = 0;
    while (start <= keys.size()) {
        size_t end = keys.find(';', start);
        if (end == std::string::npos) end = keys.size();
        std::string_view text = std::string_view(keys).substr(start, end - start);
        while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
        while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
        unsigned char raw[2 + 8 + crypto_sign_PUBLICKEYBYTES];
        if (decode_base64(text, raw, sizeof raw) && raw[0] == 'E' && raw[1] == 'd' &&
            std::memcmp(raw + 2, id.data(), id.size()) == 0) {
            out->id = id;
            std::memcpy(out->key.data(), raw + 10, out->key.size());
            return 1;
        }
        start = end + 1;
    }
    return 0;
}

// The file a trusted comment names ("file:<name>", one of its tab-separated fields),
// or null when it names none.
const char* named_file(const std::string& comment, std::string* name)
{
    size_t start = 0;
    while (start <= comment.size()) {
        size_t end = comment.find('\t', start);
        if (end == std::string::npos) end = comment.size();
        if (comment.compare(start, 5, "file:") == 0) {
            *name = comment.substr(start + 5, end - start - 5);
            return name->c_str();
        }
        start = end + 1;
    }
    return nullptr;
}

}  // namespace

std::string trusted_update_keys()
{
    if (const char* keys = test_hook_update_keys()) return keys;
    return kBuildUpdateKeys;
}

std::string update_signature_refusal(const std::string& bytes, const std::string& signature, const std::string& keys)
{
    if (sodium_init() < 0) return "its signature cannot be checked here";
    SignatureFile sig;
    if (!parse_signature(signature, &sig)) return "its signature file is not a minisign signature";
    // Only the prehashed kind minisign makes by default: one kind less to trust.
    if (sig.algorithm[0] != 'E' || sig.algorithm[1] != 'D')
        return "its signature is not of the prehashed kind minisign makes";
    PublicKey key;
    if (!find_key(keys, sig.key_id, &key)) return "it is signed with a key this program does not trust";

    unsigned char hash[crypto_generichash_BYTES_MAX];
    crypto_generichash(hash, sizeof hash, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), nullptr,
                       0);
    if (crypto_sign_verify_detached(sig.signature.data(), hash, sizeof hash, key.key.data()) != 0)
        return "its signature does not match it";
    // The trusted comment is signed together with the signature it follows.
    std::string signed_comment(reinterpret_cast<const char*>(sig.signature.data()), sig.signature.size());
    signed_comment += sig.trusted_comment;
    if (crypto_sign_verify_detached(sig.comment_signature.data(),
                                    reinterpret_cast<const unsigned char*>(signed_comment.data()),
                                    signed_comment.size(), key.key.data()) != 0)
        return "the trusted comment of its signature was altered";
    std::string name;
    if (named_file(sig.trusted_comment, &name) && name != "kstlupd.exe")
        return "its signature is for another file (\"" + shown_text(name.substr(0, 40)) + "\")";
    return {};
}
