#include "engine/heap/HeapCount.h"

#include <malloc.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <new>

// Replacing the global operator affects the whole test program, so it only forwards to malloc and free
// while the thread is not counting.
#if !defined(__SANITIZE_ADDRESS__)
#define KARTEI_COUNTS_ALLOCATIONS 1

namespace {
thread_local bool tCounting = false;
thread_local kartei::testing::THeapCount tCount;
// Signed: memory allocated before the count and freed during it takes the balance below its start.
thread_local int64_t tHeld = 0;

void Freed(void* memory) {
    if (tCounting && memory != nullptr) {
        tHeld -= static_cast<int64_t>(malloc_usable_size(memory));
    }
}
}  // namespace

void* operator new(std::size_t size) {
    void* memory = std::malloc(size == 0 ? 1 : size);
    if (memory == nullptr) {
        throw std::bad_alloc();
    }
    if (tCounting) {
        ++tCount.Allocations;
        tHeld += static_cast<int64_t>(malloc_usable_size(memory));
        tCount.PeakBytes = std::max(tCount.PeakBytes, static_cast<size_t>(std::max<int64_t>(tHeld, 0)));
    }
    return memory;
}

// The operator above allocates with malloc, so free is the matching release. Not inlined, or the compiler
// pairs the inlined free with a new expression and warns.
[[gnu::noinline]] void operator delete(void* memory) noexcept {
    Freed(memory);
    std::free(memory);
}
[[gnu::noinline]] void operator delete(void* memory, std::size_t) noexcept {
    Freed(memory);
    std::free(memory);
}
#endif

namespace kartei::testing {

bool HeapCounted() {
#if defined(KARTEI_COUNTS_ALLOCATIONS)
    return true;
#else
    return false;
#endif
}

#if defined(KARTEI_COUNTS_ALLOCATIONS)
void StartHeapCount() {
    tCount = THeapCount{};
    tHeld = 0;
    tCounting = true;
}

THeapCount StopHeapCount() {
    tCounting = false;
    return tCount;
}
#else
void StartHeapCount() {}

THeapCount StopHeapCount() {
    return THeapCount{};
}
#endif

}  // namespace kartei::testing
