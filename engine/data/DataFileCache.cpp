// TDataFile: fetching records through the cache, block reads with read-ahead, the cache's buffers and
// the free list.
#include <algorithm>
#include <cstring>

#include "base/ScopeGuard.h"
#include "engine/data/DataFile.h"
#include "engine/format/FreeList.h"
#include "engine/format/RecordLayout.h"
#include "engine/format/Scramble.h"

namespace kartei {

TRecord* TDataFile::Fetch(TFetchCursor* cursor, int32_t recordNumber, TReadDirection direction,
                          bool readAheadWanted, bool cursorDecidesReadAhead) {
    if (recordNumber <= 0 || recordNumber > header_.NextRecordNumber) {
        RaiseRecordBuffersCorrupt();
    }
    TRecord* record = nullptr;
    if (recordNumber == header_.NextRecordNumber) {
        record = &Append();
    } else {
        const bool passing = cursor != nullptr && cursor->PassingThrough();
        record = FindCached(recordNumber, !passing);
        if (record == nullptr && spill_.Holds(static_cast<uint32_t>(recordNumber - 1))) {
            // Spilled by this transaction: the file holds an older image, or none yet.
            record = &TakeBuffer();
            AddToCache(*record, recordNumber);
            LoadImage(*record, nullptr);
        }
        if (record == nullptr) {
            if (cursor != nullptr && !context_.StrictChangeDetection() && cursor->CheckForChanges()) {
                return nullptr;
            }
            const int32_t count =
                BlockCount(cursor, recordNumber, direction, readAheadWanted, cursorDecidesReadAhead);
            record = ReadBlock(recordNumber, direction, count, passing);
            if (record == nullptr) {
                RaiseRecordBuffersCorrupt();
            }
        }
    }
    ++record->pinCount_;
    ++statistics_.RecordsHandedOut;
    return record;
}

TRecord* TDataFile::FindCached(int32_t recordNumber, bool promote) {
    TRecord* record = mru_.Newest();
    for (int probe = 0; probe < MruProbes && record != nullptr; ++probe) {
        if (record->recordNumber_ == recordNumber) {
            break;
        }
        record = TMruChain::Older(*record);
    }
    if (record == nullptr || record->recordNumber_ != recordNumber) {
        record = cache_.Find(recordNumber);
    }
    if (record != nullptr && promote) {
        mru_.MoveToFront(*record);
    }
    return record;
}

TRecord& TDataFile::Append() {
    const int32_t recordNumber = AppendRecordSlot(header_, context_.TableName());
    TRecord* record = UndoOnError([this] { return &TakeBuffer(); },
                                  [this, recordNumber] { header_.NextRecordNumber = recordNumber; });
    AddToCache(*record, recordNumber);
    headerPending_ = true;
    return *record;
}

int32_t TDataFile::BlockCount(TFetchCursor* cursor, int32_t recordNumber, TReadDirection direction,
                              bool readAheadWanted, bool cursorDecidesReadAhead) {
    if (!readAheadWanted) {
        return 1;
    }
    int32_t count = readAheadSize_;
    if (cursorDecidesReadAhead && cursor != nullptr) {
        count = std::clamp(cursor->ReadAheadCount(recordNumber, direction), 1, readAheadSize_);
    }
    // A block never reaches beyond the last slot, nor (backwards) before the first.
    const int32_t available =
        direction == TReadDirection::Forward ? header_.NextRecordNumber - recordNumber : recordNumber;
    return std::min(count, available);
}

TRecord* TDataFile::ReadBlock(int32_t recordNumber, TReadDirection direction, int32_t count, bool passing) {
    const size_t recordSize = header_.RecordSize;
    const int32_t first = direction == TReadDirection::Forward ? recordNumber : recordNumber - count + 1;
    const size_t length = static_cast<size_t>(count) * recordSize;
    readBuffer_.Reserve(length);
    ++statistics_.BlockReadsStarted;
    // Records appended by this table may not be on disk yet.
    const bool allowShortRead =
        (context_.Exclusive() || context_.TransactionLocked()) && context_.HasWrittenChanges();
    const size_t got = ReadAt(header_.RecordFileOffset(first), readBuffer_.Data(), length, allowShortRead);
    const int32_t read = static_cast<int32_t>(got / recordSize);

    blockFirst_ = first;
    blockCount_ = count;
    TRecord* result = nullptr;
    {
        const TUndoGuard blockDone([this, &result] {
            if (result != nullptr) {
                --result->pinCount_;
            }
            blockFirst_ = blockCount_ = 0;
            // Only now, so that the block did not take its own buffers from them; the nearest first, so that
            // the farthest is the first to go. A small cache may have given one's buffer to a later record
            // of the block or back to the spares: moved twice, or not at all.
            for (TRecord* record : passedIn_) {
                if (record->cached_) {
                    mru_.MoveToBack(*record);
                }
            }
            passedIn_.clear();
        });
        for (int32_t k = 0; k < read; ++k) {
            const int32_t at = direction == TReadDirection::Forward ? k : read - 1 - k;
            const uint8_t* bytes = readBuffer_.Data() + static_cast<size_t>(at) * recordSize;
            TRecord* record = cache_.Find(first + at);
            if (record == nullptr) {
                record = &TakeBuffer();
                AddToCache(*record, first + at);
                LoadImage(*record, bytes);
                if (passing) {
                    passedIn_.push_back(record);
                }
            } else if (!record->dirty_ && record->pinCount_ == 0) {
                LoadImage(*record, bytes);
            }
            if (first + at == recordNumber) {
                // Held while the rest of the block takes buffers, so that it is not reused for them.
                result = record;
                ++result->pinCount_;
            }
        }
    }
    ++statistics_.BlockReadsFinished;
    return result;
}

void TDataFile::LoadImage(TRecord& record, const uint8_t* bytes) {
    const std::span<uint8_t> image = record.Image();
    const uint32_t key = static_cast<uint32_t>(record.recordNumber_ - 1);
    if (spill_.Holds(key)) {
        UndoOnError([&] { spill_.Get(key, image.data()); },
                    [&] {
                        RemoveFromCache(record);
                        spares_.Return(record);
                    });
    } else {
        std::memcpy(image.data(), bytes, image.size());
    }
    if (header_.IsEncrypted()) {
        ScrambleRecordImage(image);
    }
    if (RecordStatus(image) == kRecordLive) {
        SetRecordLink(image, record.recordNumber_);
    }
}

TRecord& TDataFile::TakeBuffer() {
    const uint16_t imageSize = header_.RecordSize;
    if (cache_.Count() < static_cast<size_t>(cacheCapacity_)) {
        return spares_.Take(imageSize);
    }
    // A bulk change under a transaction fills the cache with dirty records: looking through all of them
    // for each further 255 would cost time growing with the square of the records.
    TRecord* victim = dirtyCached_ < cache_.Count() ? FindVictim() : nullptr;
    if (victim == nullptr && !(context_.TransactionLocked() && !SpillDue())) {
        WriteDirtyRecords(false);
        victim = FindVictim();
        if (victim == nullptr && !context_.TransactionLocked()) {
            RaiseRecordBuffersCorrupt();
        }
    }
    if (victim == nullptr) {
        // A transaction's cache grows below its budget, and beyond it when what is left is pinned or
        // being read.
        cacheCapacity_ += CacheGrowth;
        return spares_.Take(imageSize);
    }
    RemoveFromCache(*victim);
    victim->Clear(imageSize);
    return *victim;
}

bool TDataFile::SpillDue() const {
    return !InMemory() && cacheCapacity_ >= transactionCapacity_;
}

TRecord* TDataFile::FindVictim() {
    // Changed records passed on the way go to the newest end, so that the next search does not pass them
    // again: a transaction that reads after many changes would otherwise look past all of them for each
    // buffer. Which changed record is older does not matter; they leave only when written or spilled.
    TRecord* const newest = mru_.Newest();
    for (TRecord* record = mru_.Oldest(); record != nullptr;) {
        TRecord* const newer = TMruChain::Newer(*record);
        if (!record->dirty_ && record->pinCount_ == 0) {
            return record;
        }
        if (record == newest) {
            break;
        }
        if (record->dirty_) {
            mru_.MoveToFront(*record);
        }
        record = newer;
    }
    return nullptr;
}

void TDataFile::AddToCache(TRecord& record, int32_t recordNumber) {
    record.recordNumber_ = recordNumber;
    cache_.Insert(recordNumber, record);
    mru_.PushFront(record);
    record.cached_ = true;
    dirtyCached_ += record.dirty_ ? 1 : 0;
}

void TDataFile::RemoveFromCache(TRecord& record) {
    cache_.Remove(record.recordNumber_);
    mru_.Remove(record);
    record.cached_ = false;
    dirtyCached_ -= record.dirty_ ? 1 : 0;
}

void TDataFile::DiscardCache() {
    TRecord* record = mru_.Newest();
    while (record != nullptr) {
        TRecord* older = TMruChain::Older(*record);
        record->cached_ = false;
        if (record->pinCount_ == 0) {
            spares_.Return(*record);
        }
        record = older;
    }
    cache_.Clear();
    mru_.Clear();
    dirtyCached_ = 0;
    spill_.Forget();
}

void TDataFile::Release(TRecord& record) {
    if (record.pinCount_ == 0) {
        return;
    }
    if (--record.pinCount_ == 0 && !record.cached_) {
        spares_.Return(record);
    }
}

TRecord& TDataFile::NewRecordSlot() {
    const TInsertSlot slot = NextInsertSlot(header_, primaryIndexHasNoKeyFields_);
    TRecord& record = *Fetch(nullptr, slot.RecordNumber, TReadDirection::Forward, false, false);
    int32_t link = 0;
    if (slot.Reused) {
        // Reusing a live record would overwrite it: the free list is broken.
        if (RecordStatus(record.Image()) != kRecordDeleted) {
            Release(record);
            RaiseRecordBuffersCorrupt();
        }
        link = RecordLink(record.Image());
    }
    TakeInsertSlot(header_, slot, link);
    headerPending_ = true;
    return record;
}

void TDataFile::Delete(TRecord& record) {
    DeleteRecordSlot(header_, record.Image(), record.recordNumber_, primaryIndexHasNoKeyFields_);
    record.MarkDirty();
    headerPending_ = true;
}

}  // namespace kartei
