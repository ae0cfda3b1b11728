#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "engine/format/FieldDescriptor.h"

namespace kartei {

constexpr size_t kDataHeaderSize = 127;
constexpr uint8_t kDataFormatVersion = 4;
constexpr int64_t kEngineVersionStamp = 21100;  // engine version 2.11 times 10000
constexpr uint16_t kMaxFieldCount = 1024;
constexpr int16_t kMaxBlobFieldCount = 64;
constexpr uint16_t kDefaultBlobBlockSize = 512;
constexpr size_t kTableDescriptionCapacity = 50;
constexpr size_t kTablePasswordCapacity = 15;

// The 127-byte header at the start of a data file, every field as stored. The description and the
// password are held as plain text: Decode unscrambles and Encode scrambles them when the table is
// encrypted, so decoding and encoding give back the same bytes.
struct TDataHeader {
    int32_t ChangeCount = 0;            // 0: +1 on every header write
    uint32_t BlobBlockSize = 0;         // 4: low 16 bits used, 0 = 512
    uint8_t Version = 0;                // 8: format version byte, 4
    int32_t FreeListHead = 0;           // 9: most recently deleted record, 0 = none
    int32_t NextRecordNumber = 0;       // 13: number of record slots + 1
    int32_t LastAutoIncValue = 0;       // 17
    uint16_t RecordSize = 0;            // 21
    uint16_t FieldCount = 0;            // 23
    int16_t BlobFieldCount = 0;         // 25
    double LastUpdate = 0;              // 27: written, never interpreted
    std::string Description;            // 35: at most 50 characters
    uint8_t Encrypted = 0;              // 86: non-zero = scrambled
    std::string Password;               // 87: at most 15 characters
    uint16_t LanguageId = 0;            // 103: 0 = strings compare by byte value
    uint16_t SortId = 0;                // 105
    int16_t UserVersion1 = 0;           // 107: stored for the caller, not interpreted
    int16_t UserVersion2 = 0;           // 109
    uint8_t PendingChanges = 0;         // 111: written, ignored when read
    int32_t LastBlobSequence = 0;       // 112
    int64_t EngineVersion = 0;          // 116: 21100; 0 selects the old descriptor unscrambling
    std::array<uint8_t, 3> Reserved{};  // 124

    static TDataHeader Decode(std::span<const uint8_t, kDataHeaderSize> bytes);
    void Encode(std::span<uint8_t, kDataHeaderSize> bytes) const;

    bool IsEncrypted() const { return Encrypted != 0; }
    uint16_t EffectiveBlobBlockSize() const;
    // File offset of the first record: header plus descriptors.
    int64_t DataStart() const { return kDataHeaderSize + int64_t{FieldCount} * kFieldDescriptorSize; }
    // Record slots in the file, deleted ones included.
    int32_t RecordSlotCount() const { return NextRecordNumber - 1; }
    // File offset of record slot `recordNumber` (1-based).
    int64_t RecordFileOffset(int32_t recordNumber) const {
        return DataStart() + (int64_t{recordNumber} - 1) * RecordSize;
    }
    // Length of the whole file: it ends after the last slot.
    int64_t FileLength() const { return RecordFileOffset(NextRecordNumber); }
};

}  // namespace kartei
