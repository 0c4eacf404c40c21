// Little-endian fields, as the .BMP, RIFF and Creative Voice files store them, whatever the
// byte order of the machine reading them. The library's own; not an installed header.
#pragma once

#include <cstdint>

inline uint16_t BytesLe16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

inline uint32_t BytesLe32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
