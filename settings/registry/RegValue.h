#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace settings {

// Value types, numbered as the registry numbers them.
constexpr uint32_t kRegNone = 0;
constexpr uint32_t kRegSz = 1;
constexpr uint32_t kRegExpandSz = 2;
constexpr uint32_t kRegBinary = 3;
constexpr uint32_t kRegDword = 4;

// The types whose data is text.
constexpr bool IsRegStringType(uint32_t type) {
    return type == kRegSz || type == kRegExpandSz;
}

// One typed value. Data holds the bytes as stored; the text of the two string types is UTF-8 followed by
// its terminating zero byte, so the data of an empty string is one byte long.
struct TRegValue {
    uint32_t Type = kRegNone;
    std::string Data;

    static TRegValue String(std::string_view text) {
        TRegValue value{kRegSz, std::string(text)};
        value.Data.push_back('\0');
        return value;
    }

    bool operator==(const TRegValue&) const = default;
};

}  // namespace settings
