#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace kartei {

class TDataFile;

// One record image held by a data file's cache. A fetch hands it to a cursor pinned; while pinned or
// dirty it is never reused for another record. The image is exactly record size bytes and follows the
// record in its slot of the data file's record stack (records are made only there).
class TRecord {
public:
    explicit TRecord(TDataFile& dataFile) : dataFile_(dataFile) {}
    TRecord(const TRecord&) = delete;
    TRecord& operator=(const TRecord&) = delete;

    TDataFile& DataFile() const { return dataFile_; }
    int32_t RecordNumber() const { return recordNumber_; }
    std::span<uint8_t> Image() { return {ImageBytes(), size_}; }
    std::span<const uint8_t> Image() const { return {ImageBytes(), size_}; }

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

    uint8_t* ImageBytes() { return reinterpret_cast<uint8_t*>(this) + sizeof(TRecord); }
    const uint8_t* ImageBytes() const { return reinterpret_cast<const uint8_t*>(this) + sizeof(TRecord); }
    // Ready for reuse: an image of `size` zero bytes (at most its capacity), clean, unpinned, outside the
    // cache.
    void Clear(uint16_t size);

    TDataFile& dataFile_;
    // The MRU chain: the record used just after this one, and the one used just before.
    TRecord* newer_ = nullptr;
    TRecord* older_ = nullptr;
    int32_t recordNumber_ = 0;
    int pinCount_ = 0;
    // A record size is 16 bits in the file format.
    uint16_t size_ = 0;
    // The bytes after the record in its slot.
    uint16_t capacity_ = 0;
    bool dirty_ = false;
    bool cached_ = false;
};

}  // namespace kartei
