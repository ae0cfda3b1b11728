#include "engine/format/DataHeader.h"

#include <algorithm>

#include "engine/format/Bytes.h"
#include "engine/format/Scramble.h"
#include "engine/format/ShortString.h"

namespace kartei {
namespace {

constexpr size_t kChangeCountAt = 0;
constexpr size_t kBlobBlockSizeAt = 4;
constexpr size_t kVersionAt = 8;
constexpr size_t kFreeListHeadAt = 9;
constexpr size_t kNextRecordAt = 13;
constexpr size_t kLastAutoIncAt = 17;
constexpr size_t kRecordSizeAt = 21;
constexpr size_t kFieldCountAt = 23;
constexpr size_t kBlobFieldCountAt = 25;
constexpr size_t kLastUpdateAt = 27;
constexpr size_t kDescriptionAt = 35;
constexpr size_t kEncryptedAt = 86;
constexpr size_t kPasswordAt = 87;
constexpr size_t kLanguageIdAt = 103;
constexpr size_t kSortIdAt = 105;
constexpr size_t kUserVersion1At = 107;
constexpr size_t kUserVersion2At = 109;
constexpr size_t kPendingChangesAt = 111;
constexpr size_t kLastBlobSequenceAt = 112;
constexpr size_t kEngineVersionAt = 116;
constexpr size_t kReservedAt = 124;

static_assert(kReservedAt + 3 == kDataHeaderSize);

// A short string whose characters are scrambled when the table is encrypted; the length byte never is.
std::string ReadSecretText(const uint8_t* area, size_t capacity, bool encrypted) {
    std::string text = ReadShortString(area, capacity);
    if (encrypted) {
        ScrambleText({reinterpret_cast<uint8_t*>(text.data()), text.size()});
    }
    return text;
}

void WriteSecretText(uint8_t* area, size_t capacity, std::string_view text, bool encrypted) {
    WriteShortString(area, capacity, text);
    if (encrypted) {
        ScrambleText({area + 1, area[0]});
    }
}

}  // namespace

TDataHeader TDataHeader::Decode(std::span<const uint8_t, kDataHeaderSize> bytes) {
    const uint8_t* p = bytes.data();
    TDataHeader header;
    header.ChangeCount = ReadI32(p + kChangeCountAt);
    header.BlobBlockSize = ReadU32(p + kBlobBlockSizeAt);
    header.Version = p[kVersionAt];
    header.FreeListHead = ReadI32(p + kFreeListHeadAt);
    header.NextRecordNumber = ReadI32(p + kNextRecordAt);
    header.LastAutoIncValue = ReadI32(p + kLastAutoIncAt);
    header.RecordSize = ReadU16(p + kRecordSizeAt);
    header.FieldCount = ReadU16(p + kFieldCountAt);
    header.BlobFieldCount = ReadI16(p + kBlobFieldCountAt);
    header.LastUpdate = ReadF64(p + kLastUpdateAt);
    header.Encrypted = p[kEncryptedAt];
    header.Description = ReadSecretText(p + kDescriptionAt, kTableDescriptionCapacity, header.IsEncrypted());
    header.Password = ReadSecretText(p + kPasswordAt, kTablePasswordCapacity, header.IsEncrypted());
    header.LanguageId = ReadU16(p + kLanguageIdAt);
    header.SortId = ReadU16(p + kSortIdAt);
    header.UserVersion1 = ReadI16(p + kUserVersion1At);
    header.UserVersion2 = ReadI16(p + kUserVersion2At);
    header.PendingChanges = p[kPendingChangesAt];
    header.LastBlobSequence = ReadI32(p + kLastBlobSequenceAt);
    header.EngineVersion = ReadI64(p + kEngineVersionAt);
    std::copy_n(p + kReservedAt, header.Reserved.size(), header.Reserved.begin());
    return header;
}

void TDataHeader::Encode(std::span<uint8_t, kDataHeaderSize> bytes) const {
    uint8_t* p = bytes.data();
    WriteI32(p + kChangeCountAt, ChangeCount);
    WriteU32(p + kBlobBlockSizeAt, BlobBlockSize);
    p[kVersionAt] = Version;
    WriteI32(p + kFreeListHeadAt, FreeListHead);
    WriteI32(p + kNextRecordAt, NextRecordNumber);
    WriteI32(p + kLastAutoIncAt, LastAutoIncValue);
    WriteU16(p + kRecordSizeAt, RecordSize);
    WriteU16(p + kFieldCountAt, FieldCount);
    WriteI16(p + kBlobFieldCountAt, BlobFieldCount);
    WriteF64(p + kLastUpdateAt, LastUpdate);
    WriteSecretText(p + kDescriptionAt, kTableDescriptionCapacity, Description, IsEncrypted());
    p[kEncryptedAt] = Encrypted;
    WriteSecretText(p + kPasswordAt, kTablePasswordCapacity, Password, IsEncrypted());
    WriteU16(p + kLanguageIdAt, LanguageId);
    WriteU16(p + kSortIdAt, SortId);
    WriteI16(p + kUserVersion1At, UserVersion1);
    WriteI16(p + kUserVersion2At, UserVersion2);
    p[kPendingChangesAt] = PendingChanges;
    WriteI32(p + kLastBlobSequenceAt, LastBlobSequence);
    WriteI64(p + kEngineVersionAt, EngineVersion);
    std::copy(Reserved.begin(), Reserved.end(), p + kReservedAt);
}

uint16_t TDataHeader::EffectiveBlobBlockSize() const {
    const uint16_t size = static_cast<uint16_t>(BlobBlockSize);
    return size == 0 ? kDefaultBlobBlockSize : size;
}

}  // namespace kartei
