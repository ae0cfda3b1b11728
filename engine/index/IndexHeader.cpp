#include "engine/index/IndexHeader.h"

#include <cstring>

#include "engine/format/Bytes.h"
#include "engine/format/ShortString.h"

namespace kartei {
namespace {

// Descriptor fields.
constexpr size_t kKeyLengthAt = 31;
constexpr size_t kDescendingAt = 33;
constexpr size_t kCaseInsensitiveAt = 34;
constexpr size_t kUniqueAt = 35;
constexpr size_t kCompressionAt = 36;
constexpr size_t kFieldCountAt = 37;
constexpr size_t kFieldDescendingAt = 38;
constexpr size_t kFieldNumbersAt = 54;
constexpr size_t kRootPageAt = 86;
constexpr size_t kFreePageHeadAt = 90;

// Header fields.
constexpr size_t kChangeCounterAt = 0;
constexpr size_t kVersionAt = 8;
constexpr size_t kEndOffsetAt = 9;
constexpr size_t kSecondaryCountAt = 13;
constexpr size_t kSlotsAt = 14;
constexpr size_t kRecordCountAt = 3974;
constexpr size_t kNoPrimaryKeyAt = 3978;
constexpr size_t kHeaderChangedAt = 3979;

TIndexDescriptor DecodeDescriptor(std::span<const uint8_t, kIndexDescriptorSize> bytes) {
    const uint8_t* p = bytes.data();
    TIndexDescriptor d;
    d.Name = ReadShortString(p, kIndexNameCapacity);
    d.KeyLength = ReadU16(p + kKeyLengthAt);
    d.Descending = p[kDescendingAt];
    d.CaseInsensitive = p[kCaseInsensitiveAt];
    d.Unique = p[kUniqueAt];
    d.Compression = p[kCompressionAt];
    d.FieldCount = p[kFieldCountAt];
    std::memcpy(d.FieldDescending.data(), p + kFieldDescendingAt, kMaxKeyFields);
    for (size_t k = 0; k < kMaxKeyFields; ++k) {
        d.FieldNumbers[k] = ReadU16(p + kFieldNumbersAt + 2 * k);
    }
    d.RootPage = ReadU32(p + kRootPageAt);
    d.FreePageHead = ReadU32(p + kFreePageHeadAt);
    return d;
}

void EncodeDescriptor(const TIndexDescriptor& d, std::span<uint8_t, kIndexDescriptorSize> bytes) {
    uint8_t* p = bytes.data();
    std::memset(p, 0, kIndexDescriptorSize);
    WriteShortString(p, kIndexNameCapacity, d.Name);
    WriteU16(p + kKeyLengthAt, d.KeyLength);
    p[kDescendingAt] = d.Descending;
    p[kCaseInsensitiveAt] = d.CaseInsensitive;
    p[kUniqueAt] = d.Unique;
    p[kCompressionAt] = d.Compression;
    p[kFieldCountAt] = d.FieldCount;
    std::memcpy(p + kFieldDescendingAt, d.FieldDescending.data(), kMaxKeyFields);
    for (size_t k = 0; k < kMaxKeyFields; ++k) {
        WriteU16(p + kFieldNumbersAt + 2 * k, d.FieldNumbers[k]);
    }
    WriteU32(p + kRootPageAt, d.RootPage);
    WriteU32(p + kFreePageHeadAt, d.FreePageHead);
}

}  // namespace

TIndexHeader TIndexHeader::Decode(std::span<const uint8_t, kIndexHeaderSize> bytes) {
    const uint8_t* p = bytes.data();
    TIndexHeader h;
    h.ChangeCounter = ReadU32(p + kChangeCounterAt);
    h.Version = p[kVersionAt];
    h.EndOffset = ReadU32(p + kEndOffsetAt);
    h.SecondaryCount = p[kSecondaryCountAt];
    for (size_t slot = 0; slot < kIndexSlotCount; ++slot) {
        h.Slots[slot] = DecodeDescriptor(
            bytes.subspan(kSlotsAt + slot * kIndexDescriptorSize).first<kIndexDescriptorSize>());
    }
    h.RecordCount = ReadI32(p + kRecordCountAt);
    h.NoPrimaryKey = p[kNoPrimaryKeyAt];
    h.HeaderChanged = p[kHeaderChangedAt];
    return h;
}

void TIndexHeader::Encode(std::span<uint8_t, kIndexHeaderSize> bytes) const {
    uint8_t* p = bytes.data();
    std::memset(p, 0, kIndexHeaderSize);
    WriteU32(p + kChangeCounterAt, ChangeCounter);
    p[kVersionAt] = Version;
    WriteU32(p + kEndOffsetAt, EndOffset);
    p[kSecondaryCountAt] = SecondaryCount;
    for (size_t slot = 0; slot < kIndexSlotCount; ++slot) {
        EncodeDescriptor(Slots[slot],
                         bytes.subspan(kSlotsAt + slot * kIndexDescriptorSize).first<kIndexDescriptorSize>());
    }
    WriteI32(p + kRecordCountAt, RecordCount);
    p[kNoPrimaryKeyAt] = NoPrimaryKey;
    p[kHeaderChangedAt] = HeaderChanged;
}

TIndexHeader NewIndexHeader() {
    TIndexHeader header;
    header.Version = kIndexFormatVersion;
    header.EndOffset = kIndexHeaderSize;
    TIndexDescriptor& deleted = header.Slots[kDeletedIndexSlot];
    deleted.Name = kDeletedIndexName;
    deleted.KeyLength = kDeletedRecordKeyLength;
    deleted.Unique = 1;
    deleted.Compression = static_cast<uint8_t>(TCompression::None);
    return header;
}

}  // namespace kartei
