#pragma once

#include <bit>
#include <cstdint>

namespace kartei {

// Little-endian integers and doubles at any (unaligned) position of a byte buffer: every integer in the
// table files is stored this way. The shift forms compile to plain loads and stores on x86.

inline uint16_t ReadU16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
inline int16_t ReadI16(const uint8_t* p) {
    return static_cast<int16_t>(ReadU16(p));
}
inline uint32_t ReadU32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}
inline int32_t ReadI32(const uint8_t* p) {
    return static_cast<int32_t>(ReadU32(p));
}
inline uint64_t ReadU64(const uint8_t* p) {
    return static_cast<uint64_t>(ReadU32(p)) | static_cast<uint64_t>(ReadU32(p + 4)) << 32;
}
inline int64_t ReadI64(const uint8_t* p) {
    return static_cast<int64_t>(ReadU64(p));
}
inline double ReadF64(const uint8_t* p) {
    return std::bit_cast<double>(ReadU64(p));
}

inline void WriteU16(uint8_t* p, uint16_t value) {
    p[0] = static_cast<uint8_t>(value);
    p[1] = static_cast<uint8_t>(value >> 8);
}
inline void WriteI16(uint8_t* p, int16_t value) {
    WriteU16(p, static_cast<uint16_t>(value));
}
inline void WriteU32(uint8_t* p, uint32_t value) {
    p[0] = static_cast<uint8_t>(value);
    p[1] = static_cast<uint8_t>(value >> 8);
    p[2] = static_cast<uint8_t>(value >> 16);
    p[3] = static_cast<uint8_t>(value >> 24);
}
inline void WriteI32(uint8_t* p, int32_t value) {
    WriteU32(p, static_cast<uint32_t>(value));
}
inline void WriteU64(uint8_t* p, uint64_t value) {
    WriteU32(p, static_cast<uint32_t>(value));
    WriteU32(p + 4, static_cast<uint32_t>(value >> 32));
}
inline void WriteI64(uint8_t* p, int64_t value) {
    WriteU64(p, static_cast<uint64_t>(value));
}
inline void WriteF64(uint8_t* p, double value) {
    WriteU64(p, std::bit_cast<uint64_t>(value));
}

}  // namespace kartei
