#include "support/pe_builder.h"

#include <cstring>

namespace {

void put16(std::vector<uint8_t>& b, size_t off, uint32_t v)
{
    b[off] = uint8_t(v);
    b[off + 1] = uint8_t(v >> 8);
}

void put32(std::vector<uint8_t>& b, size_t off, uint32_t v)
{
    for (int i = 0; i < 4; ++i) b[off + i] = uint8_t(v >> (8 * i));
}

}  // namespace

std::vector<uint8_t> build_pe(const PeOptions& o)
{
    const size_t pe = 0x40;
    const size_t coff = pe + 4;
    const size_t optional = coff + 20;
    const uint32_t optional_size = o.pe32_plus ? 240 : 224;
    const size_t dirs = optional + (o.pe32_plus ? 112 : 96);
    const size_t sections = optional + optional_size;
    const size_t raw = 0x200;
    const uint32_t rva = 0x1000;
    const size_t rsrc_size = 0x58 + 92;

    std::vector<uint8_t> b(raw + 0x200, 0);
    b[0] = 'M';
    b[1] = 'Z';
    put32(b, 0x3C, uint32_t(pe));
    std::memcpy(&b[pe], "PE\0\0", 4);
    put16(b, coff, o.pe32_plus ? 0x8664 : 0x14C);
    put16(b, coff + 2, 1);
    put16(b, coff + 16, optional_size);
    put16(b, optional, o.pe32_plus ? 0x20B : 0x10B);
    put32(b, dirs - 4, 16);
    put32(b, dirs + 16, rva);
    put32(b, dirs + 20, uint32_t(rsrc_size));
    std::memcpy(&b[sections], ".rsrc", 5);
    put32(b, sections + 8, uint32_t(rsrc_size));
    put32(b, sections + 12, rva);
    put32(b, sections + 16, 0x200);
    put32(b, sections + 20, uint32_t(raw));

    // type -> name -> language -> data entry -> VS_VERSIONINFO
    const size_t r = raw;
    put16(b, r + 14, 1);
    put32(b, r + 16, o.with_version ? 16 : 3);
    put32(b, r + 20, 0x80000000u | 0x18);
    put16(b, r + 0x18 + 14, 1);
    put32(b, r + 0x18 + 16, 1);
    put32(b, r + 0x18 + 20, 0x80000000u | 0x30);
    put16(b, r + 0x30 + 14, 1);
    put32(b, r + 0x30 + 16, 0x409);
    put32(b, r + 0x30 + 20, 0x48);
    put32(b, r + 0x48, rva + 0x58);
    put32(b, r + 0x48 + 4, 92);

    const size_t v = r + 0x58;
    put16(b, v, 92);
    put16(b, v + 2, 52);
    const char* key = "VS_VERSION_INFO";
    for (size_t i = 0; i <= std::strlen(key); ++i) put16(b, v + 6 + 2 * i, uint8_t(key[i]));
    const size_t fixed = v + 40;
    put32(b, fixed, o.signature);
    put32(b, fixed + 4, 0x00010000);
    put32(b, fixed + 8, uint32_t(o.major) << 16 | o.minor);
    put32(b, fixed + 12, uint32_t(o.build) << 16 | o.revision);
    return b;
}
