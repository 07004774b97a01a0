// A zip archive of one member stored as it is, made in memory for the tests that
// need a real archive without a tool to make one.
#pragma once

#include <cstdint>
#include <string>

#include <zlib.h>

inline std::string stored_zip(const std::string& name, const std::string& data)
{
    auto u16 = [](unsigned v) { return std::string{char(v & 0xFF), char(v >> 8)}; };
    auto u32 = [&](uint32_t v) { return u16(v & 0xFFFF) + u16(v >> 16); };
    const uint32_t crc = uint32_t(crc32(0, reinterpret_cast<const Bytef*>(data.data()), uInt(data.size())));
    const std::string sizes =
        u32(crc) + u32(uint32_t(data.size())) + u32(uint32_t(data.size())) + u16(unsigned(name.size()));
    const std::string local = "PK\3\4" + u16(10) + u16(0) + u16(0) + u32(0) + sizes + u16(0) + name + data;
    const std::string central = "PK\1\2" + u16(10) + u16(10) + u16(0) + u16(0) + u32(0) + sizes + u16(0) + u16(0) +
                                u16(0) + u16(0) + u32(0) + u32(0) + name;
    return local + central + "PK\5\6" + u16(0) + u16(0) + u16(1) + u16(1) + u32(uint32_t(central.size())) +
           u32(uint32_t(local.size())) + u16(0);
}
