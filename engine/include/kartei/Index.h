#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace kartei {

// No index has more fields.
constexpr size_t kMaxKeyFields = 16;

// One index of a table as its index file describes it (doc/file-format.md gives the bytes at the offsets
// noted).
struct TIndexDescriptor {
    std::string Name;             // 0: at most 30 characters; empty for the primary index
    uint16_t KeyLength = 0;       // 31
    uint8_t Descending = 0;       // 33: the whole index is descending
    uint8_t CaseInsensitive = 0;  // 34: string keys are upper-cased
    uint8_t Unique = 0;           // 35: no record-identifier suffix
    uint8_t Compression = 0;      // 36: how the leaves store their keys
    uint8_t FieldCount = 0;       // 37
    std::array<uint8_t, kMaxKeyFields> FieldDescending{};  // 38
    std::array<uint16_t, kMaxKeyFields> FieldNumbers{};    // 54: 1-based, unused 0
    uint32_t RootPage = 0;                                 // 86: 0 = the index is empty
    uint32_t FreePageHead = 0;                             // 90: 0 = no free page

    bool operator==(const TIndexDescriptor&) const = default;
};

}  // namespace kartei
