// Little-endian integers in byte buffers, as the logging program's files and the zip
// format store them: written and read byte by byte, never through a struct.
#pragma once

#include <cstdint>

inline void put_u16(uint8_t* out, uint16_t value)
{
    out[0] = uint8_t(value);
    out[1] = uint8_t(value >> 8);
}

inline void put_u32(uint8_t* out, uint32_t value)
{
    put_u16(out, uint16_t(value));
    put_u16(out + 2, uint16_t(value >> 16));
}

inline uint16_t get_u16(const uint8_t* in) { return uint16_t(in[0] | in[1] << 8); }

inline uint32_t get_u32(const uint8_t* in) { return get_u16(in) | uint32_t(get_u16(in + 2)) << 16; }
