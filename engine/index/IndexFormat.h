#pragma once

#include <cstddef>
#include <cstdint>

namespace kartei {

// The index file: a 4096-byte header, then 4096-byte pages named by their file offset.
constexpr uint32_t kIndexPageSize = 4096;
constexpr size_t kIndexHeaderSize = 4096;
constexpr uint8_t kIndexFormatVersion = 4;

// Slot 0 is the primary index, slots 1 to 30 the secondary indexes, slot 31 the deleted-record index.
constexpr int kIndexSlotCount = 32;
constexpr int kPrimaryIndexSlot = 0;
constexpr int kDeletedIndexSlot = 31;
constexpr int kMaxSecondaryIndexes = 30;
constexpr const char* kDeletedIndexName = "Sys Deleted";
constexpr size_t kIndexNameCapacity = 30;

// A page: type, entry count, previous and next page, bytes used, then the entries.
constexpr size_t kPageHeaderSize = 13;
constexpr size_t kPageDataSize = kIndexPageSize - kPageHeaderSize;  // 4083

// Pages that may lie between the header and `endOffset`: one per 4096 bytes begun (a damaged end offset
// need not be a multiple of 4096).
constexpr size_t PageSlotCount(uint32_t endOffset) {
    return endOffset > kIndexHeaderSize ? (endOffset - kIndexHeaderSize + kIndexPageSize - 1) / kIndexPageSize
                                        : 0;
}

// A new page may start at this file offset at the latest.
constexpr uint32_t kMaxPageStart = 2000000000;

// No descent is deeper than this: even two entries per page reach 2^31 records in 31 levels. A file that
// leads deeper has a cycle among its node pages.
constexpr int kMaxTreeDepth = 64;

enum class TPageType : uint8_t { RootNode = 0, Node = 1, Leaf = 2, RootLeaf = 3 };

// How leaf entries are stored: key bytes equal to the previous key's left out at the front, zero bytes
// left out at the end, or both.
enum class TCompression : uint8_t { None = 0, Leading = 1, Trailing = 2, Both = 3 };

// What the pages of one index have in common, from its descriptor.
struct TPageGeometry {
    uint16_t KeyLength = 0;
    TCompression Compression = TCompression::None;
    // A non-unique key ends with the 4-byte record identifier, which trailing compression leaves alone.
    bool Unique = true;
};

// Entries a node page holds, and an uncompressed leaf: the on-disk entry plus two bytes of headroom.
constexpr int NodeCapacity(uint16_t keyLength) {
    return static_cast<int>(kPageDataSize / (keyLength + 10u));
}
constexpr int LeafCapacity(uint16_t keyLength) {
    return static_cast<int>(kPageDataSize / (keyLength + 6u));
}

}  // namespace kartei
