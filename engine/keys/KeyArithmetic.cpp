#include "engine/keys/KeyArithmetic.h"

#include <algorithm>

namespace kartei {
namespace {

// Adds (up) or subtracts one, unless every byte is already at `limit`: 0xFF up, 0x00 down.
void Step(uint8_t* key, size_t length, uint8_t limit, bool up) {
    if (std::all_of(key, key + length, [limit](uint8_t byte) { return byte == limit; })) {
        return;
    }
    // Bytes at the limit roll over and carry (borrow) into the next more significant byte.
    size_t k = length;
    while (key[--k] == limit) {
        key[k] = static_cast<uint8_t>(~limit);
    }
    key[k] = static_cast<uint8_t>(up ? key[k] + 1 : key[k] - 1);
}

}  // namespace

void IncrementKey(uint8_t* key, size_t length) {
    Step(key, length, 0xFF, true);
}

void DecrementKey(uint8_t* key, size_t length) {
    Step(key, length, 0x00, false);
}

}  // namespace kartei
