#pragma once

#include <cstdint>

namespace kartei {

enum class TReadDirection { Forward, Backward };

// What a fetch that misses the cache asks of the cursor it reads for.
class TFetchCursor {
public:
    virtual ~TFetchCursor() = default;

    // Whether another process changed the table; when it did, the cursor has dealt with it (emptied
    // the caches, repositioned) and the fetch delivers nothing.
    virtual bool CheckForChanges() = 0;
    // How many records to read in one block that starts with (forwards) or ends with (backwards) record
    // `recordNumber`. The data file keeps the answer within 1 and its read-ahead size.
    virtual int32_t ReadAheadCount(int32_t recordNumber, TReadDirection direction) = 0;
    // Whether the cursor has walked through more records than half the cache holds since it was last put
    // somewhere. Its records then pass through the old end of the cache instead of becoming the newest,
    // so that a long walk, above all one taken again and again, leaves the cache to what is used again.
    virtual bool PassingThrough() const = 0;
};

}  // namespace kartei
