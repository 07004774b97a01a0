// Any bytes as a gzip or deflate body, fed in chunks of any size; and any text
// compressed each way, which must decode whole and complete, and must not count as
// complete one byte short.
#include <algorithm>
#include <string>

#include <zlib.h>

#include "fuzz_support.h"
#include "net/body_decoder.h"

namespace {

// Feeds `body` in chunks of `step` bytes; 1 when every chunk was accepted.
int feed(BodyDecoder* d, const std::string& body, size_t step, std::string* out)
{
    for (size_t at = 0; at < body.size(); at += step)
        if (!decoder_feed(d, body.data() + at, std::min(step, body.size() - at), out)) return 0;
    return 1;
}

std::string compressed(const std::string& text, int window_bits)
{
    z_stream z{};
    std::string out(compressBound(uLong(text.size())) + 64, '\0');
    if (deflateInit2(&z, 6, Z_DEFLATED, window_bits, 8, Z_DEFAULT_STRATEGY) != Z_OK) fuzz_fail("no deflate");
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
    z.avail_in = uInt(text.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = uInt(out.size());
    if (deflate(&z, Z_FINISH) != Z_STREAM_END) fuzz_fail("deflate did not finish");
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1) return 0;
    const size_t step = data[0] % 64 + 1;
    const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
    for (BodyEncoding encoding : {BodyEncoding::Gzip, BodyEncoding::Deflate}) {
        BodyDecoder d;
        std::string out;
        if (!decoder_open(&d, encoding)) fuzz_fail("no decoder");
        (void)feed(&d, text, step, &out);
    }
    for (int bits : {31, 15, -15}) {
        const std::string body = compressed(text, bits);
        BodyDecoder whole, short_one;
        std::string out, rest;
        const BodyEncoding encoding = bits == 31 ? BodyEncoding::Gzip : BodyEncoding::Deflate;
        if (!decoder_open(&whole, encoding) || !decoder_open(&short_one, encoding)) fuzz_fail("no decoder");
        if (!feed(&whole, body, step, &out) || out != text || !decoder_complete(whole))
            fuzz_fail("a whole body does not decode to its text");
        if (feed(&short_one, body.substr(0, body.size() - 1), step, &rest) && decoder_complete(short_one))
            fuzz_fail("a body one byte short counts as complete");
    }
    return 0;
}
