#pragma once

#include <cstddef>
#include <memory>
#include <vector>

#include "engine/data/Record.h"
#include "engine/files/SparePool.h"

namespace kartei {

// The spare records of one data file. Every record it makes lives as long as the stack, unless it is
// freed as a spare beyond what the cache needs, so record buffers are reused rather than freed while the
// file is open.
class TRecordStack {
public:
    explicit TRecordStack(TDataFile& dataFile) : dataFile_(dataFile) {}
    TRecordStack(const TRecordStack&) = delete;
    TRecordStack& operator=(const TRecordStack&) = delete;

    // The spare returned last, cleared for an image of `imageSize` bytes, or a new record.
    TRecord& Take(size_t imageSize);
    void Return(TRecord& record) { spares_.push_back(&record); }
    // Frees the spares beyond the first `keep` (a cache grown for a transaction gives its memory back).
    void FreeSparesBeyond(size_t keep) { kartei::FreeSparesBeyond(made_, spares_, keep); }

    size_t SpareCount() const { return spares_.size(); }
    // Records made so far, spare or not.
    size_t MadeCount() const { return made_.size(); }

private:
    TDataFile& dataFile_;
    std::vector<std::unique_ptr<TRecord>> made_;
    std::vector<TRecord*> spares_;
};

}  // namespace kartei
