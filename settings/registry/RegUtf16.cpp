#include "settings/registry/RegUtf16.h"

#include <unicode/utf16.h>
#include <unicode/utf8.h>

#include <cstdint>

namespace settings {
namespace {

constexpr UChar32 kReplacement = 0xFFFD;

}  // namespace

std::string Utf16LeToUtf8(std::string_view bytes) {
    const size_t count = bytes.size() / 2;
    const auto unit = [bytes](size_t i) -> UChar32 {
        return static_cast<uint8_t>(bytes[2 * i]) | static_cast<uint8_t>(bytes[2 * i + 1]) << 8;
    };
    std::string text;
    text.reserve(count);
    for (size_t i = 0; i < count;) {
        UChar32 c = unit(i++);
        if (U16_IS_LEAD(c) && i < count && U16_IS_TRAIL(unit(i))) {
            c = U16_GET_SUPPLEMENTARY(c, unit(i++));
        } else if (U_IS_SURROGATE(c)) {
            c = kReplacement;
        }
        char buffer[U8_MAX_LENGTH];
        int32_t size = 0;
        U8_APPEND_UNSAFE(buffer, size, c);
        text.append(buffer, static_cast<size_t>(size));
    }
    return text;
}

std::string Utf8ToUtf16Le(std::string_view text) {
    std::string bytes;
    bytes.reserve(2 * text.size());
    const int32_t length = static_cast<int32_t>(text.size());
    for (int32_t i = 0; i < length;) {
        UChar32 c;
        U8_NEXT(text.data(), i, length, c);
        if (c < 0) {
            c = kReplacement;
        }
        char16_t units[U16_MAX_LENGTH];
        int32_t count = 0;
        U16_APPEND_UNSAFE(units, count, c);
        for (int32_t k = 0; k < count; ++k) {
            bytes.push_back(static_cast<char>(units[k] & 0xFF));
            bytes.push_back(static_cast<char>(units[k] >> 8));
        }
    }
    return bytes;
}

}  // namespace settings
