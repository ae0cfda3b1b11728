#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace kartei::bench {

// One engine's side of the comparison on a built store: the workloads of the benchmark, each reading what
// it finds (ids and names, or codes) the way a list fills its rows. Inputs are indexes into the store's
// TWorkloadInputs. Every call returns how many records it read, so that the work cannot be optimised away
// and both sides can be checked to agree.
class TStore {
public:
    virtual ~TStore() = default;

    // Workload 1: open the City table from nothing, read the first `count` records in City order, close.
    virtual int64_t OpenAndReadFirst(int count) = 0;

    // Opens the store for workloads 2 to 7 (and closes it again).
    virtual void Open() = 0;
    virtual void Close() = 0;
    // Workload 2: position on the first city at or after prefix k in City order, read `count` records.
    virtual int64_t TypedSearch(size_t k, int count) = 0;
    // Workload 3: every code of city DetailCityIds[k].
    virtual int64_t DetailCodes(size_t k) = 0;
    // Workload 4: the city with id LookupIds[k].
    virtual int64_t PointLookup(size_t k) = 0;
    // Workload 5: every city in City order.
    virtual int64_t FullScan() = 0;
    // Workload 6: the number of cities from CountFrom to CountTo (both included).
    virtual int64_t CountBetween() = 0;
    // Workload 7: `count` cities from position Ordinals[k] in City order.
    virtual int64_t JumpAndRead(size_t k, int count) = 0;
};

}  // namespace kartei::bench
