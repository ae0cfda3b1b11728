#include "engine/blob/BlobHeader.h"

#include <algorithm>

#include "engine/format/Bytes.h"
#include "kartei/ErrorCodes.h"

namespace kartei {
namespace {

constexpr size_t kChangeCountAt = 0;
constexpr size_t kVersionAt = 4;
constexpr size_t kFreeBlockHeadAt = 5;
constexpr size_t kEndOffsetAt = 9;
constexpr size_t kPendingChangesAt = 13;

}  // namespace

TBlobHeader TBlobHeader::Decode(std::span<const uint8_t, kBlobHeaderSize> bytes) {
    const uint8_t* p = bytes.data();
    TBlobHeader header;
    header.ChangeCount = ReadI32(p + kChangeCountAt);
    header.Version = p[kVersionAt];
    header.FreeBlockHead = ReadI32(p + kFreeBlockHeadAt);
    header.EndOffset = ReadI32(p + kEndOffsetAt);
    header.PendingChanges = p[kPendingChangesAt];
    return header;
}

void TBlobHeader::Encode(std::span<uint8_t, kBlobHeaderSize> bytes) const {
    std::fill(bytes.begin(), bytes.end(), uint8_t{0});
    uint8_t* p = bytes.data();
    WriteI32(p + kChangeCountAt, ChangeCount);
    p[kVersionAt] = Version;
    WriteI32(p + kFreeBlockHeadAt, FreeBlockHead);
    WriteI32(p + kEndOffsetAt, EndOffset);
    p[kPendingChangesAt] = PendingChanges;
}

uint16_t BlobHeaderFault(const TBlobHeader& header, const TBlobLayout& layout, int64_t fileSize) {
    if (header.Version != kBlobFormatVersion) {
        return ErrorCode::WrongVersion;
    }
    const int64_t end = header.EndOffset;
    // The last block anyone could have appended starts at the append limit.
    const bool endConsistent = layout.Usable() && end >= kBlobHeaderSize && end <= fileSize &&
                               end <= kMaxBlobAppendOffset + layout.BlockSize() &&
                               (end - kBlobHeaderSize) % layout.BlockSize() == 0;
    if (!endConsistent) {
        return ErrorCode::HeaderCorrupt;
    }
    if (header.FreeBlockHead != 0 && !layout.IsBlockOffset(header.FreeBlockHead, end)) {
        return ErrorCode::HeaderCorrupt;
    }
    return ErrorCode::Success;
}

}  // namespace kartei
