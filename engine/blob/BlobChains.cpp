// Blobs as chains of blocks: reading, writing and freeing them on top of the block layer of TBlobFile.
#include <algorithm>
#include <limits>
#include <utility>

#include "base/ScopeGuard.h"
#include "engine/blob/BlobFile.h"
#include "kartei/ErrorCodes.h"

namespace kartei {

TBlobBlockHeader TBlobFile::FirstChainBlock(TBlobReference reference) {
    const TBlobBlockHeader first = ReadBlock(reference.Offset, {});
    if (first.BlobId != reference.BlobId) {
        Raise(ErrorCode::RecordChanged);
    }
    if (first.Previous != 0) {
        Raise(ErrorCode::BlobBuffersCorrupt);
    }
    return first;
}

TBlobBlockHeader TBlobFile::ChainBlock(int32_t previous, int32_t offset, int32_t blobId,
                                       std::span<uint8_t> data, int64_t blocksWanted) {
    const TBlobBlockHeader header = ReadBlock(offset, data, blocksWanted);
    // Each following block names the block it was reached from, so a link that leads back into the
    // chain is caught at once.
    if (previous != 0 && (header.BlobId != blobId || header.Previous != previous)) {
        Raise(ErrorCode::BlobBuffersCorrupt);
    }
    return header;
}

size_t TBlobFile::ReadBlob(TBlobReference reference, TEngineBuffer& contents) {
    CheckUsable();
    if (reference.Offset == 0) {
        return 0;
    }
    const TBlobBlockHeader first = FirstChainBlock(reference);
    if (first.TotalLength < 0) {
        Raise(ErrorCode::BlobBuffersCorrupt);
    }
    const int64_t total = first.TotalLength;
    // A length the blocks of the whole file could not hold cannot be reached: nothing is reserved for it.
    if (layout_.BlocksFor(total) > layout_.BlockCount(header_.EndOffset)) {
        Raise(ErrorCode::EndOfBlob);
    }
    contents.Reserve(static_cast<size_t>(total));
    int64_t done = 0;
    for (int32_t previous = 0, offset = reference.Offset; done < total;) {
        if (offset == 0) {
            Raise(ErrorCode::EndOfBlob);
        }
        const int64_t wanted = std::min<int64_t>(layout_.DataCapacity(), total - done);
        const TBlobBlockHeader header = ChainBlock(previous, offset, reference.BlobId,
                                                   {contents.Data() + done, static_cast<size_t>(wanted)},
                                                   layout_.BlocksFor(total - done));
        done += std::min<int64_t>(wanted, header.Used);
        previous = std::exchange(offset, header.Next);
    }
    return static_cast<size_t>(total);
}

void TBlobFile::CollectChain(TBlobReference reference) {
    chain_.clear();
    if (reference.Offset == 0) {
        return;
    }
    const TBlobBlockHeader first = FirstChainBlock(reference);
    // Read-ahead as far as the recorded length reaches; the links decide where the chain ends.
    const int64_t recorded = layout_.BlocksFor(std::max(first.TotalLength, 0));
    for (int32_t previous = 0, offset = reference.Offset; offset != 0;) {
        const int64_t left = recorded - static_cast<int64_t>(chain_.size());
        chain_.push_back(offset);
        previous = std::exchange(offset, ChainBlock(previous, offset, reference.BlobId, {}, left).Next);
    }
}

void TBlobFile::ExtendChain(int64_t blocks) {
    const int64_t extra = blocks - static_cast<int64_t>(chain_.size());
    if (extra <= 0) {
        return;
    }
    // Allocation changes only the header held in memory, so a failure (TableFull at the append limit, a
    // broken free list) is undone by restoring it.
    const TBlobHeader before = header_;
    const bool wasPending = pending_;
    TUndoGuard restore([this, &before, wasPending] {
        header_ = before;
        pending_ = wasPending;
    });
    for (int64_t k = 0; k < extra; ++k) {
        chain_.push_back(AllocateBlock());
    }
    // A free list that runs into itself or into the blob would hand out a block twice.
    const int64_t appended = (int64_t{header_.EndOffset} - before.EndOffset) / layout_.BlockSize();
    if (appended < extra) {
        chainCheck_.assign(chain_.begin(), chain_.end());
        std::sort(chainCheck_.begin(), chainCheck_.end());
        if (std::adjacent_find(chainCheck_.begin(), chainCheck_.end()) != chainCheck_.end()) {
            Raise(ErrorCode::BlobBuffersCorrupt);
        }
    }
    restore.Dismiss();
}

TBlobReference TBlobFile::WriteBlob(TBlobReference reference, std::span<const uint8_t> contents) {
    CheckUsable();
    // The first block records the length as an int32: a longer blob could not be read back whole.
    if (contents.size() > static_cast<size_t>(std::numeric_limits<int32_t>::max())) {
        Raise(ErrorCode::EndOfBlob);
    }
    CollectChain(reference);
    const int64_t blocks = layout_.BlocksFor(static_cast<int64_t>(contents.size()));
    ExtendChain(blocks);
    const int32_t blobId = context_.TakeBlobSequenceNumber();
    const size_t capacity = static_cast<size_t>(layout_.DataCapacity());
    for (int64_t k = 0; k < blocks; ++k) {
        const size_t at = static_cast<size_t>(k);
        TBlobBlockHeader header;
        header.Previous = k == 0 ? 0 : chain_[at - 1];
        header.Next = k + 1 < blocks ? chain_[at + 1] : 0;
        header.BlobId = blobId;
        header.TotalLength = k == 0 ? static_cast<int32_t>(contents.size()) : 0;
        const size_t from = at * capacity;
        WriteBlock(chain_[at], header, contents.subspan(from, std::min(capacity, contents.size() - from)));
    }
    for (size_t k = static_cast<size_t>(blocks); k < chain_.size(); ++k) {
        FreeBlock(chain_[k]);
    }
    return TBlobReference{blocks == 0 ? 0 : chain_[0], blobId};
}

void TBlobFile::FreeBlob(TBlobReference reference) {
    CheckUsable();
    CollectChain(reference);
    for (const int32_t offset : chain_) {
        FreeBlock(offset);
    }
}

}  // namespace kartei
