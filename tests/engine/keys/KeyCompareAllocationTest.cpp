#include <gtest/gtest.h>

#include <cstdlib>
#include <new>

#include "KeyTestSupport.h"

// Counts operator new calls made by this thread while a test asks for it. Replacing the global operator
// affects the whole test program, so it only forwards to malloc and free otherwise; sanitizer builds keep
// their own allocator (which checks new/delete pairing) and skip the count.
#if !defined(__SANITIZE_ADDRESS__)
#define KARTEI_COUNTS_ALLOCATIONS 1

namespace {
thread_local bool tCounting = false;
thread_local size_t tAllocations = 0;
}  // namespace

void* operator new(std::size_t size) {
    if (tCounting) {
        ++tAllocations;
    }
    if (void* memory = std::malloc(size == 0 ? 1 : size)) {
        return memory;
    }
    throw std::bad_alloc();
}

// The operator above allocates with malloc, so free is the matching release. Not inlined, or the compiler
// pairs the inlined free with a new expression and warns.
[[gnu::noinline]] void operator delete(void* memory) noexcept {
    std::free(memory);
}
[[gnu::noinline]] void operator delete(void* memory, std::size_t) noexcept {
    std::free(memory);
}
#endif

namespace kartei {
namespace {

using namespace test;

TEST(CompareKeys, AllocatesNothing) {
#if defined(KARTEI_COUNTS_ALLOCATIONS)
    const TKeyLayout layout = Layout({StringField(200, 9), Field(FieldType::Integer, 4, 210)},
                                     {.Unique = false, .LanguageId = 0x0407, .SortId = 1});
    const char* names[] = {"M\xFCller", "Mueller",   "Muller",  "Berlin",
                           "Bern",      "Z\xFCrich", "Zwickau", "berlin"};
    std::vector<TBytes> keys;
    for (const char* name : names) {
        keys.push_back(KeyOf(layout, TRecordImage(215).Text(9, name).Int(210, 7, 4)));
    }
    // Warm the collator up first: its one-time set-up may allocate.
    int total = CompareKeys(layout, keys[0].data(), keys[1].data(), layout.KeyLength);
    tAllocations = 0;
    tCounting = true;
    for (int round = 0; round < 100; ++round) {
        for (const TBytes& a : keys) {
            for (const TBytes& b : keys) {
                total += CompareKeys(layout, a.data(), b.data(), layout.KeyLength);
                total += CompareKeys(layout, a.data(), b.data(), 5);
            }
        }
    }
    tCounting = false;
    EXPECT_EQ(tAllocations, 0u);
    EXPECT_EQ(total, 0);  // the comparison is antisymmetric, so every round sums to zero
#else
    GTEST_SKIP() << "sanitizer builds keep their own operator new";
#endif
}

}  // namespace
}  // namespace kartei
