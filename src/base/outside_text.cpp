#include "base/outside_text.h"

namespace {

// The length of the well-formed UTF-8 sequence at the start of `text` (2 to 4), or 0
// when there is none: overlong forms, surrogates and code points past U+10FFFF are
// not UTF-8.
size_t utf8_length(std::string_view text, char32_t* code_point)
{
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(0);
    size_t length = 0;
    char32_t value = 0, least = 0;
    if (lead >= 0xC2 && lead <= 0xDF) length = 2, value = lead & 0x1F, least = 0x80;
    else if (lead >= 0xE0 && lead <= 0xEF) length = 3, value = lead & 0x0F, least = 0x800;
    else if (lead >= 0xF0 && lead <= 0xF4) length = 4, value = lead & 0x07, least = 0x10000;
    if (length == 0 || text.size() < length) return 0;
    for (size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0) != 0x80) return 0;
        value = value << 6 | (byte(i) & 0x3F);
    }
    if (value < least || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return 0;
    *code_point = value;
    return length;
}

// Characters that steer a terminal (the C1 controls, U+009B among them an escape
// introducer) or reorder what follows on the line (the bidirectional controls).
bool is_control(char32_t c)
{
    return (c >= 0x80 && c <= 0x9F) || (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

void append_escaped(std::string* out, std::string_view bytes)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    for (const char c : bytes) {
        const unsigned char byte = static_cast<unsigned char>(c);
        *out += "\\x";
        *out += kHex[byte >> 4];
        *out += kHex[byte & 0xF];
    }
}

}  // namespace

std::string shown_text(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        const unsigned char byte = static_cast<unsigned char>(text[i]);
        if (byte < 0x80) {
            if ((byte < 0x20 && byte != '\t') || byte == 0x7F) append_escaped(&out, text.substr(i, 1));
            else out += text[i];
            ++i;
            continue;
        }
        char32_t code_point = 0;
        const size_t length = utf8_length(text.substr(i), &code_point);
        if (length == 0) {
            append_escaped(&out, text.substr(i, 1));
            ++i;
        } else {
            if (is_control(code_point)) append_escaped(&out, text.substr(i, length));
            else out.append(text.substr(i, length));
            i += length;
        }
    }
    return out;
}
