#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "engine/blob/BlobBlockCache.h"
#include "engine/blob/BlobFileContext.h"
#include "engine/blob/BlobHeader.h"
#include "engine/blob/BlobLayout.h"
#include "engine/files/EngineMemory.h"
#include "engine/files/FileHandler.h"
#include "kartei/Record.h"

namespace kartei {

// A table's blob file (".BLB"): the contents of its blob fields as chains of fixed-size blocks, read and
// written through a block cache. Nothing read from the file is trusted: every offset, link and length is
// checked before use, and damage is raised as an engine error with the table's name (BlobBuffersCorrupt for
// blocks, HeaderCorrupt and WrongVersion for the header), never followed.
class TBlobFile : public TFileHandler {
public:
    explicit TBlobFile(TBlobFileContext& context);
    ~TBlobFile() override;

    // The table's blob block size (0 stands for 512) and whether the table is encrypted; set while closed.
    void SetFormat(uint16_t blockSize, bool encrypted);

    // Opens the file and reads its header. A header that fails the checks of Verify is not raised here;
    // Verify raises it, and so does every later use of the blocks.
    void Open(std::string_view fileName, bool exclusive, bool temporary = false) override;
    // Creates the file with an empty header (change count 0, no free block, end offset 512) and opens it
    // exclusively. A block size without room for data is BlobFieldLimits.
    void Create(std::string_view fileName, bool temporary = false) override;
    // Drops the cache, unwritten blocks included (the table writes back first), and closes the file.
    void Close() override;

    // Verification: version byte 4 (else WrongVersion); a block size with room for data, an end offset on a
    // block boundary and within the file, a free-block head that is 0 or a block in front of the end offset
    // (else HeaderCorrupt); then the free list is walked: a link that is no block or that comes back is
    // BlobBuffersCorrupt.
    void Verify();
    // Writes the header of an empty file (version 4, no free block, end offset 512), then cuts the file
    // at 512.
    void Empty();
    // Re-reads the header and compares its change count with the one held; when another process changed
    // the file, takes the new header, empties the cache and returns true.
    bool CheckForChange();
    // Takes the header from the file and empties the cache (after a rollback or a copy loaded into it).
    void RereadHeader();
    // Forgets every cached block, unwritten ones included.
    void DiscardCache();
    // Writes the changed blocks in runs of consecutive offsets, then the header when it is pending;
    // flushes after each write when asked or when the session forces it. Inside a transaction nothing is
    // written.
    void WriteBack(bool flush);
    // Trims the cache back to its capacity and frees the block buffers beyond it.
    void TrimCache() { cache_.Trim(); }

    // The contents of the blob a record's field refers to, into `contents`; returns the length. Offset 0
    // is an empty blob. The first block must carry the field's identifier (else RecordChanged); a link that
    // is no block, comes back or leads to a block of another blob is BlobBuffersCorrupt; a chain that ends
    // before the length in the first block is reached, or a length the file could not hold, is EndOfBlob.
    size_t ReadBlob(TBlobReference reference, TEngineBuffer& contents);
    // Stores new contents for a field and returns the reference to store in the record: the existing first
    // block is reused (a new one allocated when there is none, offset 0 for empty contents), the blob
    // gets the next blob sequence number as identifier, the chain grows from the free list or the end of
    // the file, and blocks the shorter contents no longer need are freed. The old chain is checked as
    // ReadBlob checks it before anything changes; TableFull when the blocks would have to go beyond the
    // append limit and EndOfBlob for contents longer than a blob can record, both raised before anything
    // changes.
    TBlobReference WriteBlob(TBlobReference reference, std::span<const uint8_t> contents);
    // Frees the blob's blocks (its record is deleted), checked as for WriteBlob.
    void FreeBlob(TBlobReference reference);

    // The header of the block at offset and up to data.size() of its data bytes (at most its used count)
    // into data. More than a block's data capacity is InvalidBlobLength; an offset that is no block in front
    // of the end offset, or a block that cannot be read, is BlobBuffersCorrupt. A block not cached is read
    // together with up to blocksWanted - 1 following blocks (never past the end offset or beyond one 64 KiB
    // read).
    TBlobBlockHeader ReadBlock(int32_t offset, std::span<uint8_t> data, int64_t blocksWanted = 1);
    // Replaces the block at offset: header as given with the used count of data, then data, the rest of the
    // data area zero. More than the data capacity is InvalidBlobLength; an offset that is no block is
    // BlobBuffersCorrupt.
    void WriteBlock(int32_t offset, TBlobBlockHeader header, std::span<const uint8_t> data);
    // A block for the caller to write: the free-block head (the head moves to its link), else the block at
    // the end offset, which grows by the block size; appending at an end offset above 2000000000 is
    // TableFull.
    int32_t AllocateBlock();
    // Puts the block at the head of the free list: its link is the old head, the rest of it zero.
    void FreeBlock(int32_t offset);

    const TBlobHeader& Header() const { return header_; }
    bool HeaderPending() const { return pending_; }
    const TBlobBlockCache& Cache() const { return cache_; }

private:
    [[noreturn]] void Raise(uint16_t code) const;
    // Raises what verification would find wrong with the header.
    void CheckUsable() const;
    void CheckBlockOffset(int64_t offset) const;
    void CheckDataSize(size_t size) const;

    // The header as the file holds it, and what verification finds wrong with it.
    struct TStoredHeader {
        TBlobHeader Header;
        uint16_t Fault;
    };
    TStoredHeader LoadHeader();
    void ReadHeader();
    // Writes the header as held.
    void StoreHeader(bool flush);
    // Writes the header after a change: its change count raised, the pending-changes byte set.
    void WriteChangedHeader(bool flush);
    bool FlushWanted(bool flush) const { return flush || context_.ForceBufferFlush(); }

    // The cached image of the block at offset, read from the file with read-ahead when not cached. Valid
    // until the next block is asked for.
    uint8_t* BlockImage(int32_t offset, int64_t blocksWanted);
    void ReadBlocks(int32_t offset, int64_t blocksWanted);
    // A block buffer for a new cache entry: a spare one while there is room, else the least recently used
    // clean one; when all are changed, they are written back first, or under a transaction the cache grows.
    TBlobBlock* AcquireBlock(int32_t offset);
    // Writes the changed blocks outside the range being read, in runs of consecutive offsets.
    void WriteDirtyBlocks(bool flush);

    // The first block of a blob: it must carry the field's identifier (else RecordChanged) and have no
    // previous block (else BlobBuffersCorrupt).
    TBlobBlockHeader FirstChainBlock(TBlobReference reference);
    // A block of a chain, with up to data.size() of its data, reached from `previous` (0 for the first
    // block): a following block of another blob, or one that names another previous block, is
    // BlobBuffersCorrupt.
    TBlobBlockHeader ChainBlock(int32_t previous, int32_t offset, int32_t blobId, std::span<uint8_t> data,
                                int64_t blocksWanted);
    // The blocks of the blob, first to last, into chain_; none for offset 0.
    void CollectChain(TBlobReference reference);
    // Makes chain_ `blocks` long by allocating; on failure the free list and end offset are as before.
    void ExtendChain(int64_t blocks);
    // Follows the free list to its end: a link that is no block, or that comes back, is BlobBuffersCorrupt.
    void WalkFreeList();

    TBlobFileContext& context_;
    TBlobLayout layout_;
    bool encrypted_ = false;
    TBlobHeader header_;
    bool pending_ = false;
    // What verification would raise for the header last read, 0 when it is sound.
    uint16_t headerFault_ = 0;

    TBlobBlockCache cache_;
    TEngineBuffer readBuffer_{32767};
    TEngineBuffer writeBuffer_{32767};
    // Blocks of a read in progress, which a write-back must leave alone.
    int64_t readingFrom_ = 0;
    int64_t readingTo_ = 0;
    std::vector<int32_t> chain_;
    std::vector<int32_t> chainCheck_;
};

}  // namespace kartei
