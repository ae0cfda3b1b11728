#pragma once

#include <cstddef>

namespace kartei::testing {

// What one thread took through operator new between StartHeapCount and StopHeapCount: how many calls, and
// the most bytes it held at once (what it freed of its own allocations counted off). The engine tests
// replace the global operator new for this; sanitizer builds keep their own allocator and count nothing.
struct THeapCount {
    size_t Allocations = 0;
    size_t PeakBytes = 0;
};

// Whether this build counts at all; a test of the counts skips when it does not.
bool HeapCounted();
void StartHeapCount();
THeapCount StopHeapCount();

}  // namespace kartei::testing
