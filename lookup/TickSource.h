#pragma once

#include <cstdint>

namespace kartei {

// The millisecond tick count the type-ahead search measures its pauses with. Tests put their own clock
// in place so that they need not wait.
class TTickSource {
public:
    virtual ~TTickSource() = default;
    // Milliseconds since an arbitrary start; wraps around after 2^32.
    virtual uint32_t Ticks() const = 0;
};

// The clock in use: the monotonic system clock unless one was set.
const TTickSource& TickSource();
// Puts `source` in place (none: the system clock again); the caller keeps it alive meanwhile.
void SetTickSource(const TTickSource* source);

}  // namespace kartei
