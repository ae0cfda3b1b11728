#pragma once

#include "engine/files/CacheSettings.h"

namespace kartei::bench {

// Both engines cache with the same memory. Ours: per table 1 MiB of records and 64 pages (256 KiB) per
// index; City and AreaCode have four indexes each (the primary, the deleted-record index and two
// secondary ones), so 2 MiB per table and 4 MiB in all. SQLite gets a 4 MiB page cache for the database
// holding both tables (its default is 2 MiB).
inline TCacheSettings KarteiCacheBudget() {
    TCacheSettings settings;
    settings.RecordCacheBytes = 1 << 20;
    settings.MaxCachedRecords = 1 << 20;
    settings.PagesPerIndex = 64;
    return settings;
}

inline constexpr const char* kSqliteCacheBudget = "PRAGMA cache_size=-4096";

}  // namespace kartei::bench
