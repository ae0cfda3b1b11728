#pragma once

#include <cstdint>
#include <functional>

namespace kartei::bench {

// How much the resident set grows at its peak while `work` runs: the work runs in a forked child whose
// peak-RSS mark is reset first (/proc/self/clear_refs), and the answer is VmHWM minus VmRSS at the start.
// Counts every page the work touches (heap, stacks, libraries it pulls in), not the kernel's file cache.
// -1 when it cannot be measured.
int64_t PeakRssGrowth(const std::function<void()>& work);

}  // namespace kartei::bench
