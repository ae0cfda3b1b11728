#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "engine/files/EngineMemory.h"

namespace kartei {

class TDataFile;

// One record image held by a data file's cache. A fetch hands it to a cursor pinned; while pinned or
// dirty it is never reused for another record. The image is exactly record size bytes.
class TRecord {
public:
    static constexpr size_t ImageStep = 16;

    explicit TRecord(TDataFile& dataFile) : dataFile_(dataFile) {}
    TRecord(const TRecord&) = delete;
    TRecord& operator=(const TRecord&) = delete;

    TDataFile& DataFile() const { return dataFile_; }
    int32_t RecordNumber() const { return recordNumber_; }
    std::span<uint8_t> Image() { return {image_.Data(), size_}; }
    std::span<const uint8_t> Image() const { return {image_.Data(), size_}; }

    // A cursor changed the image: the next write-back stores it.
    void MarkDirty();
    bool Dirty() const { return dirty_; }
    // Number of cursors holding the record.
    int PinCount() const { return pinCount_; }
    // Whether the record is in its data file's cache (a record dropped while pinned is not).
    bool Cached() const { return cached_; }

private:
    friend class TDataFile;
    friend class TRecordStack;
    friend class TMruChain;

    // Ready for reuse: an image of `size` zero bytes, clean, unpinned, outside the cache.
    void Clear(size_t size);

    TDataFile& dataFile_;
    TEngineBuffer image_{ImageStep};
    size_t size_ = 0;
    int32_t recordNumber_ = 0;
    int pinCount_ = 0;
    bool dirty_ = false;
    bool cached_ = false;
    // The MRU chain: the record used just after this one, and the one used just before.
    TRecord* newer_ = nullptr;
    TRecord* older_ = nullptr;
};

}  // namespace kartei
