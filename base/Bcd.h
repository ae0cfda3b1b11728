#pragma once

#include <cstdint>
#include <optional>

namespace kartei {

// BCD values are held as the value times 10000.
// RoundBcd rounds a value times 10000 to `decimals` places, halves away from zero
// (4 or more places leave it as it is); at the ends of the int64 range it rounds toward zero instead of
// overflowing. BcdFromDouble rounds once, directly to the places; nullopt when the value is not finite
// or does not fit.
int64_t RoundBcd(int64_t scaledValue, uint8_t decimals);
std::optional<int64_t> BcdFromDouble(double value, uint8_t decimals);
inline double BcdToDouble(int64_t scaledValue) {
    return static_cast<double>(scaledValue) / 10000.0;
}

}  // namespace kartei
