#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "engine/index/IndexFormat.h"
#include "engine/keys/KeyLayout.h"

namespace kartei {

constexpr size_t kIndexDescriptorSize = 120;

// One index of the table as its header slot describes it (120 bytes), every field as stored.
struct TIndexDescriptor {
    std::string Name;             // 0: at most 30 characters; empty for the primary index
    uint16_t KeyLength = 0;       // 31
    uint8_t Descending = 0;       // 33: the whole index is descending
    uint8_t CaseInsensitive = 0;  // 34: string keys are upper-cased
    uint8_t Unique = 0;           // 35: no record-identifier suffix
    uint8_t Compression = 0;      // 36: TCompression of the leaves
    uint8_t FieldCount = 0;       // 37
    std::array<uint8_t, kMaxKeyFields> FieldDescending{};  // 38
    std::array<uint16_t, kMaxKeyFields> FieldNumbers{};    // 54: 1-based, unused 0
    uint32_t RootPage = 0;                                 // 86: 0 = the index is empty
    uint32_t FreePageHead = 0;                             // 90: 0 = no free page

    static TIndexDescriptor Decode(std::span<const uint8_t, kIndexDescriptorSize> bytes);
    void Encode(std::span<uint8_t, kIndexDescriptorSize> bytes) const;

    bool operator==(const TIndexDescriptor&) const = default;
};

// The 4096-byte header at the start of the index file, every field as stored.
struct TIndexHeader {
    uint32_t ChangeCounter = 0;                             // 0: +1 before every header write
    uint8_t Version = 0;                                    // 8
    uint32_t EndOffset = 0;                                 // 9: where the next new page is appended
    uint8_t SecondaryCount = 0;                             // 13
    std::array<TIndexDescriptor, kIndexSlotCount> Slots{};  // 14 + 120 * slot
    int32_t RecordCount = 0;                                // 3974: active records of the table
    uint8_t NoPrimaryKey = 0;                               // 3978: slot 0 stands for record-number order
    uint8_t HeaderChanged = 0;                              // 3979: written, ignored when read

    static TIndexHeader Decode(std::span<const uint8_t, kIndexHeaderSize> bytes);
    void Encode(std::span<uint8_t, kIndexHeaderSize> bytes) const;
};

// The header of a new index file: version 4, no pages, and the deleted-record index in slot 31.
TIndexHeader NewIndexHeader();

}  // namespace kartei
