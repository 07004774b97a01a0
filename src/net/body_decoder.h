// Undoes a body's Content-Encoding as its bytes arrive, and tells whether the
// encoded stream came to its end: a body cut anywhere, or with anything after its
// end, is not the file.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

struct z_stream_s;

enum class BodyEncoding { Identity, Gzip, Deflate, Unknown };

// The coding a Content-Encoding value names (case and blanks ignored): none and
// "identity" are the body as it stands; "gzip"/"x-gzip" and "deflate" are read;
// anything else (also a list of several codings) cannot be.
BodyEncoding body_encoding(const std::string& content_encoding);

struct ZStreamEnd {
    void operator()(z_stream_s* z) const;
};

struct BodyDecoder {
    BodyEncoding encoding = BodyEncoding::Identity;
    std::unique_ptr<z_stream_s, ZStreamEnd> z;
    std::string head;    // the first bytes of a deflate body, until its framing is known
    bool ended = false;  // the stream (for gzip: its latest member) reached its end
};

// Readies `d` for a body in `encoding` (not Unknown): 1, or 0 when zlib could not
// be set up.
[[nodiscard]] int decoder_open(BodyDecoder* d, BodyEncoding encoding);

// Appends what `size` more body bytes decode to onto *out: 1, or 0 when they are
// not a valid stream of the encoding: damaged data, a check value (gzip's CRC-32 and
// length, zlib's Adler-32) that does not match, or bytes after the stream's end
// that are not another gzip member. "deflate" is read as zlib's framing, and as the
// raw deflate data some servers send under that name.
[[nodiscard]] int decoder_feed(BodyDecoder* d, const char* data, size_t size, std::string* out);

// 1 when the body is complete: not encoded, or its stream reached its end (gzip:
// every member with its trailer; zlib: its Adler-32; raw deflate: its final block).
[[nodiscard]] int decoder_complete(const BodyDecoder& d);
