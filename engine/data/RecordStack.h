#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "engine/data/Record.h"
#include "engine/files/EngineMemory.h"

namespace kartei {

// The records of one data file, made in slabs: each slot of a slab holds a record and its image, so that
// a cached record costs its image and a few dozen bytes, beside the records read with it. Records are
// reused rather than freed while the file is open; a cache grown for a transaction gives its memory back
// slab by slab (Shrink).
class TRecordStack {
public:
    explicit TRecordStack(TDataFile& dataFile) : dataFile_(dataFile) {}
    TRecordStack(const TRecordStack&) = delete;
    TRecordStack& operator=(const TRecordStack&) = delete;

    // The spare returned last, cleared for an image of `imageSize` bytes, or a new record.
    TRecord& Take(uint16_t imageSize);
    void Return(TRecord& record);
    // Gives back memory until at most `maxMade` records are made: frees the slabs whose records are all
    // spare and the spares at the end of the last slab. When more than a slab's records are still over, it
    // empties the least used slabs whose records in use are all clean and unpinned, handing each to `leave`
    // (which takes it out of the cache) before the slab goes.
    void Shrink(size_t maxMade, const std::function<void(TRecord&)>& leave);

    size_t SpareCount() const { return spares_.size(); }
    // Records made so far, spare or not, in the slabs still held.
    size_t MadeCount() const;

private:
    // Slots of `Stride` bytes, the first `Made` of them records.
    struct TSlab {
        TSlab(size_t stride, size_t slots);
        TEngineBuffer Memory;
        size_t Stride;
        size_t Slots;
        size_t Made = 0;
        TRecord* At(size_t slot) { return reinterpret_cast<TRecord*>(Memory.Data() + slot * Stride); }
    };

    TRecord& Make(uint16_t imageSize);
    // Whether every record of the slab that `inUse` is clean and unpinned.
    static bool MayEmpty(TSlab& slab, const std::function<bool(TRecord*)>& inUse);
    // Drops the slabs marked freed, and the spares in them or beyond the records a slab still makes.
    void Forget(const std::vector<bool>& freed);

    TDataFile& dataFile_;
    // In the order made: the last one takes the records made next.
    std::vector<TSlab> slabs_;
    std::vector<TRecord*> spares_;
};

}  // namespace kartei
