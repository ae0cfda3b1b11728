#pragma once

#include <cstdint>
#include <span>

#include "engine/blob/BlobLayout.h"

namespace kartei {

// The 512-byte header at the start of a blob file; bytes 14..511 are zero.
struct TBlobHeader {
    int32_t ChangeCount = 0;               // 0: +1 on every header write after a change
    uint8_t Version = kBlobFormatVersion;  // 4: format version byte, 4
    int32_t FreeBlockHead = 0;             // 5: most recently freed block, 0 = none
    int32_t EndOffset = kBlobHeaderSize;   // 9: where the next new block goes
    uint8_t PendingChanges = 0;            // 13: written, ignored when read

    static TBlobHeader Decode(std::span<const uint8_t, kBlobHeaderSize> bytes);
    void Encode(std::span<uint8_t, kBlobHeaderSize> bytes) const;
};

// What verification finds wrong with a header read from a file of fileSize bytes, for the table's block
// size: 0 when nothing, WrongVersion for another version, HeaderCorrupt for a block size without room for
// data, an end offset that is no block boundary or lies beyond the file, or a free-block head that is no
// block in front of the end offset.
uint16_t BlobHeaderFault(const TBlobHeader& header, const TBlobLayout& layout, int64_t fileSize);

}  // namespace kartei
