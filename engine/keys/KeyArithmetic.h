#pragma once

#include <cstddef>
#include <cstdint>

namespace kartei {

// Treat the first `length` key bytes as one big-endian unsigned number and add (subtract) one. The largest
// (smallest) number stays as it is rather than wrapping round.
void IncrementKey(uint8_t* key, size_t length);
void DecrementKey(uint8_t* key, size_t length);

}  // namespace kartei
