#pragma once

#include "kartei/Session.h"

namespace kartei::bench {

// What each engine may cache, set alike in file bytes. Ours: per table 1 MiB of records and 64 pages
// (256 KiB of the index file) for each index with pages, in one budget that the table's indexes share
// (SQLite's one page cache serves every index too); City and AreaCode have four indexes each, so 2 MiB of
// file data per table and 4 MiB in all. SQLite: a 4 MiB page cache for the database holding both tables
// (its default is 2 MiB). In memory ours takes more than that, since each cached record has its buffer and
// bookkeeping and a cached leaf keeps the entries read decompressed; the report gives both sides' measured
// peak.
inline TCacheSettings KarteiCacheBudget() {
    TCacheSettings settings;
    settings.RecordCacheBytes = 1 << 20;
    settings.MaxCachedRecords = 1 << 20;
    settings.PagesPerIndex = 64;
    settings.ShareIndexPages = true;
    return settings;
}

inline constexpr const char* kSqliteCacheBudget = "PRAGMA cache_size=-4096";

}  // namespace kartei::bench
