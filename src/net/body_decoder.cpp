#include "net/body_decoder.h"

#include <cctype>
#include <new>

#include <zlib.h>

namespace {

// Window bits of inflateInit2: gzip's framing, zlib's, and deflate data without any.
constexpr int kGzipBits = 16 + MAX_WBITS;
constexpr int kZlibBits = MAX_WBITS;
constexpr int kRawBits = -MAX_WBITS;

// Whether two bytes open a zlib stream: method 8 with a window zlib can have, and
// the header check that makes the pair a multiple of 31. Raw deflate data starts so
// only by chance of one in some hundreds, and then fails as damaged.
bool zlib_header(unsigned char cmf, unsigned char flg)
{
    return (cmf & 0x0f) == Z_DEFLATED && (cmf >> 4) <= 7 && ((cmf << 8) | flg) % 31 == 0;
}

int start(BodyDecoder* d, int window_bits)
{
    d->z.reset(new (std::nothrow) z_stream{});
    return d->z && inflateInit2(d->z.get(), window_bits) == Z_OK ? 1 : (d->z.reset(), 0);
}

int inflate_into(BodyDecoder* d, const unsigned char* data, size_t size, std::string* out)
{
    z_stream* z = d->z.get();
    z->next_in = const_cast<unsigned char*>(data);
    z->avail_in = uInt(size);
    unsigned char buffer[16384];
    for (;;) {
        if (d->ended) {
            if (z->avail_in == 0) return 1;
            // Only gzip bodies may hold several streams, one after the other.
            if (d->encoding != BodyEncoding::Gzip || inflateReset(z) != Z_OK) return 0;
            d->ended = false;
        }
        z->next_out = buffer;
        z->avail_out = sizeof buffer;
        const int result = inflate(z, Z_NO_FLUSH);
        out->append(reinterpret_cast<const char*>(buffer), sizeof buffer - z->avail_out);
        if (result == Z_STREAM_END) d->ended = true;
        else if (result == Z_BUF_ERROR) return 1;  // all input taken, nothing pending
        else if (result != Z_OK) return 0;
        else if (z->avail_in == 0 && z->avail_out != 0) return 1;
    }
}

}  // namespace

void ZStreamEnd::operator()(z_stream_s* z) const
{
    inflateEnd(z);
    delete z;
}

BodyEncoding body_encoding(const std::string& content_encoding)
{
    std::string name;
    for (char c : content_encoding)
        if (c != ' ' && c != '\t') name += char(std::tolower(static_cast<unsigned char>(c)));
    if (name.empty() || name == "identity") return BodyEncoding::Identity;
    if (name == "gzip" || name == "x-gzip") return BodyEncoding::Gzip;
    if (name == "deflate") return BodyEncoding::Deflate;
    return BodyEncoding::Unknown;
}

int decoder_open(BodyDecoder* d, BodyEncoding encoding)
{
    *d = BodyDecoder{};
    d->encoding = encoding;
    if (encoding == BodyEncoding::Gzip) return start(d, kGzipBits);
    return encoding != BodyEncoding::Unknown;
}

int decoder_feed(BodyDecoder* d, const char* data, size_t size, std::string* out)
{
    if (d->encoding == BodyEncoding::Identity) {
        out->append(data, size);
        return 1;
    }
    if (d->encoding == BodyEncoding::Deflate && !d->z) {
        // Its framing is known by its first two bytes.
        d->head.append(data, size);
        if (d->head.size() < 2) return 1;
        const auto* bytes = reinterpret_cast<const unsigned char*>(d->head.data());
        if (!start(d, zlib_header(bytes[0], bytes[1]) ? kZlibBits : kRawBits)) return 0;
        const std::string head = std::move(d->head);
        return inflate_into(d, reinterpret_cast<const unsigned char*>(head.data()), head.size(), out);
    }
    return d->z ? inflate_into(d, reinterpret_cast<const unsigned char*>(data), size, out) : 0;
}

int decoder_complete(const BodyDecoder& d) { return d.encoding == BodyEncoding::Identity || (d.z && d.ended); }
