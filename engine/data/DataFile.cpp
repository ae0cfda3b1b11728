// TDataFile: opening, header and descriptors, write-back and change detection. Record fetching and
// the cache's buffers are in DataFileCache.cpp.
#include "engine/data/DataFile.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "base/DateTime.h"
#include "base/ScopeGuard.h"
#include "engine/errors/ErrorContext.h"
#include "engine/format/AutoIncrement.h"
#include "engine/format/Bytes.h"
#include "engine/format/DataFileImage.h"
#include "engine/format/FieldLookup.h"
#include "engine/format/HeaderLifecycle.h"
#include "engine/format/Scramble.h"
#include "engine/format/TableFileNames.h"
#include "kartei/ErrorCodes.h"

namespace kartei {

TDataFile::TDataFile(TDataFileContext& context) : context_(context) {}

// The file itself is closed by the handler's destructor; the records go with the pool.
TDataFile::~TDataFile() = default;

void TDataFile::RaiseRecordBuffersCorrupt() const {
    RaiseKarteiError(ErrorCode::RecordBuffersCorrupt, context_.TableName());
}

size_t TDataFile::ReadAt(int64_t offset, void* buffer, size_t count, bool allowShortRead) {
    TFileGuard guard(*this);
    Seek(offset, TSeekOrigin::Start);
    return Read(buffer, count, allowShortRead);
}

void TDataFile::WriteAt(int64_t offset, const void* buffer, size_t count) {
    TFileGuard guard(*this);
    Seek(offset, TSeekOrigin::Start);
    Write(buffer, count);
}

void TDataFile::FlushWhen(bool flush) {
    if (flush || context_.ForceBufferFlush()) {
        Flush();
    }
}

void TDataFile::Open(std::string_view fileName, bool exclusive, bool temporary) {
    TFileHandler::Open(fileName, exclusive, temporary);
    UndoOnError([this] { LoadHeaderAndDescriptors(); }, [this] { Close(); });
}

void TDataFile::LoadHeaderAndDescriptors() {
    std::array<uint8_t, kDataHeaderSize> bytes{};
    ReadAt(0, bytes.data(), bytes.size(), false);
    TakeHeader(bytes);
    const size_t areaSize = size_t{header_.FieldCount} * kFieldDescriptorSize;
    readBuffer_.Reserve(areaSize);
    ReadAt(kDataHeaderSize, readBuffer_.Data(), areaSize, false);
    // Also rejects a record size below 9, so the divisions below are safe.
    descriptors_ = ReadFieldDescriptors({readBuffer_.Data(), areaSize}, header_, context_.TableName());
    descriptorsChanged_ = false;
    const int32_t recordSize = header_.RecordSize;
    readAheadSize_ = ReadAheadBytes / recordSize;
    normalCapacity_ =
        std::max(1, std::min(cacheSettings_.RecordCacheBytes / recordSize, cacheSettings_.MaxCachedRecords));
    cacheCapacity_ = normalCapacity_;
    transactionCapacity_ = normalCapacity_ + cacheSettings_.TransactionCacheBytes / recordSize;
    spill_.Configure(SpillFileName(FileName()), header_.RecordSize);
    statistics_ = TDataFileStatistics{};
}

void TDataFile::TakeHeader(std::span<const uint8_t, kDataHeaderSize> bytes) {
    header_ = ReadDataHeader(bytes, context_.TableName());
    fileChangeCount_ = header_.ChangeCount;
    headerPending_ = false;
}

void TDataFile::Close() {
    DiscardCache();
    descriptors_.clear();
    descriptorsChanged_ = false;
    headerPending_ = false;
    TFileHandler::Close();
}

void TDataFile::RereadHeader() {
    std::array<uint8_t, kDataHeaderSize> bytes{};
    ReadAt(0, bytes.data(), bytes.size(), false);
    TakeHeader(bytes);
}

bool TDataFile::CheckForChange() {
    std::array<uint8_t, kDataHeaderSize> bytes{};
    ReadAt(0, bytes.data(), bytes.size(), false);
    // Compared with the count last seen in the file, not the one in memory: inside a transaction that
    // one is raised ahead of the file, and the table must not take its own pending header for a change.
    if (ReadI32(bytes.data()) == fileChangeCount_) {
        return false;
    }
    TakeHeader(bytes);
    return true;
}

void TDataFile::WriteBack(bool flush, bool forceHeader) {
    if (context_.TransactionLocked()) {
        if (forceHeader) {
            header_.ChangeCount = static_cast<int32_t>(static_cast<uint32_t>(header_.ChangeCount) + 1u);
            headerPending_ = true;
        }
        return;
    }
    if (!spill_.Empty()) {
        // First, so that records changed again after they were spilled overwrite them.
        spill_.CopyTo(*this, header_.DataStart());
        NoteWritten();
    }
    WriteDirtyRecords(flush);
    spill_.Forget();
    if (forceHeader || headerPending_) {
        WriteHeader(flush);
    }
    if (descriptorsChanged_) {
        WriteDescriptors();
    }
}

template <typename TKeep>
void TDataFile::GatherByNumber(TKeep keep) {
    gathered_.clear();
    for (TRecord* record = mru_.Newest(); record != nullptr; record = TMruChain::Older(*record)) {
        if (record->pinCount_ == 0 && keep(*record)) {
            gathered_.push_back(record);
        }
    }
    std::sort(gathered_.begin(), gathered_.end(),
              [](const TRecord* a, const TRecord* b) { return a->recordNumber_ < b->recordNumber_; });
}

void TDataFile::WriteDirtyRecords(bool flush) {
    // The block being read holds the file's older copy of its records; they stay dirty until later.
    GatherByNumber([this](const TRecord& record) {
        return record.dirty_ &&
               (record.recordNumber_ < blockFirst_ || record.recordNumber_ >= blockFirst_ + blockCount_);
    });
    const size_t recordSize = header_.RecordSize;
    size_t runStart = 0;
    for (size_t k = 0; k < gathered_.size(); ++k) {
        if (k > runStart && gathered_[k]->recordNumber_ != gathered_[k - 1]->recordNumber_ + 1) {
            WriteRun({gathered_.data() + runStart, k - runStart}, flush);
            runStart = k;
        }
        const size_t position = k - runStart;
        writeBuffer_.Reserve((position + 1) * recordSize);
        const std::span<uint8_t> target(writeBuffer_.Data() + position * recordSize, recordSize);
        std::memcpy(target.data(), gathered_[k]->Image().data(), recordSize);
        if (header_.IsEncrypted()) {
            ScrambleRecordImage(target);
        }
    }
    if (runStart < gathered_.size()) {
        WriteRun({gathered_.data() + runStart, gathered_.size() - runStart}, flush);
    }
}

void TDataFile::WriteRun(std::span<TRecord* const> run, bool flush) {
    const bool spilling = context_.TransactionLocked();
    if (spilling) {
        spill_.Put(static_cast<uint32_t>(run.front()->recordNumber_ - 1), writeBuffer_.Data(), run.size());
    } else {
        WriteAt(header_.RecordFileOffset(run.front()->recordNumber_), writeBuffer_.Data(),
                run.size() * header_.RecordSize);
    }
    // Clean only once written: a failed write keeps the changes.
    for (TRecord* record : run) {
        record->dirty_ = false;
        --dirtyCached_;
    }
    if (spilling) {
        return;
    }
    NoteWritten();
    ++statistics_.WriteRuns;
    FlushWhen(flush);
}

void TDataFile::WriteHeader(bool flush) {
    PrepareHeaderWrite(header_, headerPending_, CurrentLocalDateTime());
    std::array<uint8_t, kDataHeaderSize> bytes{};
    header_.Encode(bytes);
    WriteAt(0, bytes.data(), bytes.size());
    fileChangeCount_ = header_.ChangeCount;
    headerPending_ = false;
    NoteWritten();
    FlushWhen(flush);
}

void TDataFile::WriteDescriptors() {
    const std::vector<uint8_t> area = EncodeFieldDescriptors(descriptors_, header_);
    WriteAt(kDataHeaderSize, area.data(), area.size());
    descriptorsChanged_ = false;
    NoteWritten();
    FlushWhen(false);
}

void TDataFile::TrimCache() {
    cacheCapacity_ = normalCapacity_;
    const size_t capacity = static_cast<size_t>(cacheCapacity_);
    if (cache_.Count() > capacity) {
        // The records with the highest numbers go first.
        GatherByNumber([](const TRecord& record) { return !record.dirty_; });
        for (auto it = gathered_.rbegin(); it != gathered_.rend() && cache_.Count() > capacity; ++it) {
            RemoveFromCache(**it);
            spares_.Return(**it);
        }
    }
    // What the transaction grew goes back in whole slabs.
    spares_.Shrink(capacity, [this](TRecord& record) {
        if (record.cached_) {
            RemoveFromCache(record);
        }
    });
}

void TDataFile::EmptyTable() {
    // The header that counts no record goes to the file first: a failure after it leaves records beyond
    // the slots it counts, which a repair cuts off; a failure before it leaves the table whole.
    const TDataHeader kept = header_;
    EmptyDataHeader(header_);
    headerPending_ = true;
    UndoOnError([this] { WriteHeader(false); }, [this, &kept] { header_ = kept; });
    DiscardCache();
    WriteAt(header_.DataStart(), nullptr, 0);  // a write of nothing ends the file there
    NoteWritten();
    FlushWhen(false);
}

void TDataFile::SetLastAutoIncValue(int32_t value) {
    header_.LastAutoIncValue = value;
    headerPending_ = true;
}

int32_t TDataFile::TakeAutoIncValue() {
    headerPending_ = true;
    return kartei::TakeAutoIncValue(header_);
}

void TDataFile::NoteExplicitAutoIncValue(int32_t storedValue) {
    kartei::NoteExplicitAutoIncValue(header_, storedValue);
    headerPending_ = true;
}

int32_t TDataFile::NextBlobSequenceNumber() {
    headerPending_ = true;
    return TakeBlobSequenceNumber(header_);
}

const TFieldDescriptor* TDataFile::FindDescriptor(std::string_view name) const {
    return FindFieldByName(descriptors_, name);
}

const TFieldDescriptor* TDataFile::DescriptorByNumber(int16_t fieldNumber) const {
    return FindFieldByNumber(descriptors_, fieldNumber);
}

TFieldDescriptor& TDataFile::EditDescriptor(size_t position) {
    TFieldDescriptor& descriptor = descriptors_.at(position);
    descriptorsChanged_ = true;
    return descriptor;
}

}  // namespace kartei
