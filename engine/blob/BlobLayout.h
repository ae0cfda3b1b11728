#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace kartei {

// The blob file: a 512-byte header, then blocks of the table's blob block size at 512 + k x size. A block
// is addressed by its file offset and starts with an 18-byte header; the rest is data.
constexpr int32_t kBlobHeaderSize = 512;
constexpr uint8_t kBlobFormatVersion = 4;
constexpr int32_t kBlobBlockHeaderSize = 18;
// A block needs room for its header and at least one byte of data.
constexpr int32_t kMinBlobBlockSize = kBlobBlockHeaderSize + 1;
// No block is appended at an end offset above this, so blob data stays clear of the lock bytes.
constexpr int64_t kMaxBlobAppendOffset = 2000000000;

// The 18 bytes at the start of every block.
struct TBlobBlockHeader {
    int32_t Previous = 0;     // 0: previous block of the same blob, 0 for the first
    int32_t Next = 0;         // 4: next block of the blob, 0 for the last; in a free block the next free one
    uint16_t Used = 0;        // 8: bytes of data used in this block
    int32_t BlobId = 0;       // 10: equal to the identifier in the record's blob field
    int32_t TotalLength = 0;  // 14: length of the whole blob, in the first block only

    static TBlobBlockHeader Decode(std::span<const uint8_t, kBlobBlockHeaderSize> bytes);
    void Encode(std::span<uint8_t, kBlobBlockHeaderSize> bytes) const;
};

// Where blocks lie for one block size, and how many of them an end offset allows.
class TBlobLayout {
public:
    // A block size of 0 stands for 512, as the data header stores it.
    explicit TBlobLayout(uint16_t blockSize = 0);

    uint16_t BlockSize() const { return blockSize_; }
    // Data bytes one block holds.
    int32_t DataCapacity() const { return blockSize_ - kBlobBlockHeaderSize; }
    // The block size leaves room for data.
    bool Usable() const { return blockSize_ >= kMinBlobBlockSize; }
    // An offset at which a block starts, below endOffset.
    bool IsBlockOffset(int64_t offset, int64_t endOffset) const {
        return offset >= kBlobHeaderSize && offset < endOffset &&
               (offset - kBlobHeaderSize) % blockSize_ == 0;
    }
    // Blocks in front of endOffset.
    int64_t BlockCount(int64_t endOffset) const { return (endOffset - kBlobHeaderSize) / blockSize_; }
    // Blocks that hold length bytes of data.
    int64_t BlocksFor(int64_t length) const { return (length + DataCapacity() - 1) / DataCapacity(); }
    // Blocks the cache keeps: min(131070 / size, 32767).
    int32_t CacheCapacity() const;
    // Most blocks one read brings in: 65535 / size.
    int32_t ReadAheadLimit() const { return 65535 / blockSize_; }

private:
    uint16_t blockSize_;
};

// An encrypted table scrambles a block's header and its data area as two blocks, each with the record key.
void ScrambleBlobBlock(std::span<uint8_t> block);

}  // namespace kartei
