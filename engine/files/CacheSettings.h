#pragma once

#include <cstddef>
#include <cstdint>

namespace kartei {

// How much a table keeps in memory: the record cache of its data file and the page cache of each of its
// indexes. The defaults are the engine's standard sizes; a program that reads large tables again and
// again may give its tables more. Tables take the settings when their files open.
struct TCacheSettings {
    // The record cache holds this many bytes of records, at most MaxCachedRecords records.
    int32_t RecordCacheBytes = 131070;
    int32_t MaxCachedRecords = 8191;
    // Pages each index keeps outside a transaction.
    size_t PagesPerIndex = 15;
};

}  // namespace kartei
