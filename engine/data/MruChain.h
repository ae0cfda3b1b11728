#pragma once

#include "engine/data/Record.h"

namespace kartei {

// The records of a cache from the most recently used to the least, linked through the records
// themselves, so that moving one to the front costs nothing.
class TMruChain {
public:
    TRecord* Newest() const { return newest_; }
    TRecord* Oldest() const { return oldest_; }
    static TRecord* Older(const TRecord& record) { return record.older_; }
    static TRecord* Newer(const TRecord& record) { return record.newer_; }

    // `record` must not be in the chain.
    void PushFront(TRecord& record);
    void Remove(TRecord& record);
    void MoveToFront(TRecord& record);
    void MoveToBack(TRecord& record);
    // Forgets every record (their links are left for Clear of the record to reset).
    void Clear() { newest_ = oldest_ = nullptr; }

private:
    TRecord* newest_ = nullptr;
    TRecord* oldest_ = nullptr;
};

}  // namespace kartei
