#pragma once

#include <cstddef>
#include <cstdint>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/asan_interface.h>
#endif

namespace kartei {

// Under AddressSanitizer the bytes of a record stack's slot that no record image holds (a spare's, those
// beyond an image, a slot not made yet) are off limits, as the ends of separate allocations would be.
inline void OffLimits([[maybe_unused]] const uint8_t* at, [[maybe_unused]] size_t size) {
#if defined(__SANITIZE_ADDRESS__)
    ASAN_POISON_MEMORY_REGION(at, size);
#endif
}

inline void InLimits([[maybe_unused]] const uint8_t* at, [[maybe_unused]] size_t size) {
#if defined(__SANITIZE_ADDRESS__)
    ASAN_UNPOISON_MEMORY_REGION(at, size);
#endif
}

}  // namespace kartei
