#include "engine/blob/BlobLayout.h"

#include <algorithm>

#include "engine/format/Bytes.h"
#include "engine/format/DataHeader.h"
#include "engine/format/Scramble.h"

namespace kartei {
namespace {

constexpr size_t kPreviousAt = 0;
constexpr size_t kNextAt = 4;
constexpr size_t kUsedAt = 8;
constexpr size_t kBlobIdAt = 10;
constexpr size_t kTotalLengthAt = 14;

static_assert(kTotalLengthAt + 4 == kBlobBlockHeaderSize);

}  // namespace

TBlobBlockHeader TBlobBlockHeader::Decode(std::span<const uint8_t, kBlobBlockHeaderSize> bytes) {
    const uint8_t* p = bytes.data();
    TBlobBlockHeader header;
    header.Previous = ReadI32(p + kPreviousAt);
    header.Next = ReadI32(p + kNextAt);
    header.Used = ReadU16(p + kUsedAt);
    header.BlobId = ReadI32(p + kBlobIdAt);
    header.TotalLength = ReadI32(p + kTotalLengthAt);
    return header;
}

void TBlobBlockHeader::Encode(std::span<uint8_t, kBlobBlockHeaderSize> bytes) const {
    uint8_t* p = bytes.data();
    WriteI32(p + kPreviousAt, Previous);
    WriteI32(p + kNextAt, Next);
    WriteU16(p + kUsedAt, Used);
    WriteI32(p + kBlobIdAt, BlobId);
    WriteI32(p + kTotalLengthAt, TotalLength);
}

TBlobLayout::TBlobLayout(uint16_t blockSize)
    : blockSize_(blockSize == 0 ? kDefaultBlobBlockSize : blockSize) {}

int32_t TBlobLayout::CacheCapacity() const {
    return std::min(131070 / blockSize_, 32767);
}

void ScrambleBlobBlock(std::span<uint8_t> block) {
    ScrambleRecordImage(block.first(kBlobBlockHeaderSize));
    ScrambleRecordImage(block.subspan(kBlobBlockHeaderSize));
}

}  // namespace kartei
