#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace kartei {

// Names and short texts in the table files: one length byte, then room for `capacity` characters
// (at most 255); the bytes after the text are zero. The area takes capacity + 1 bytes.

// The text of a short string. A length byte above the capacity (a damaged file) is cut to the capacity,
// so a read never leaves the area.
inline std::string_view ShortStringView(const uint8_t* area, size_t capacity) {
    return {reinterpret_cast<const char*>(area + 1), std::min<size_t>(area[0], capacity)};
}

inline std::string ReadShortString(const uint8_t* area, size_t capacity) {
    return std::string(ShortStringView(area, capacity));
}

// Stores at most `capacity` characters of the text and zeroes the rest of the area.
inline void WriteShortString(uint8_t* area, size_t capacity, std::string_view text) {
    const size_t length = std::min(text.size(), capacity);
    area[0] = static_cast<uint8_t>(length);
    if (length > 0) {
        std::memcpy(area + 1, text.data(), length);
    }
    std::memset(area + 1 + length, 0, capacity - length);
}

}  // namespace kartei
