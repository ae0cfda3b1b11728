#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "engine/index/IndexFormat.h"
#include "engine/keys/KeyLayout.h"
#include "kartei/Index.h"

namespace kartei {

constexpr size_t kIndexDescriptorSize = 120;

// An index descriptor (TIndexDescriptor) takes 120 bytes of a header slot.

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
