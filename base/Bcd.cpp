#include "base/Bcd.h"

#include <cmath>
#include <cstdlib>

namespace kartei {
namespace {

constexpr int64_t kPowersOfTen[] = {1, 10, 100, 1000, 10000};

}  // namespace

int64_t RoundBcd(int64_t scaledValue, uint8_t decimals) {
    if (decimals >= 4) {
        return scaledValue;
    }
    const int64_t unit = kPowersOfTen[4 - decimals];
    const int64_t remainder = scaledValue % unit;
    int64_t rounded = scaledValue - remainder;
    if (2 * std::abs(remainder) >= unit) {
        int64_t away = 0;
        if (!__builtin_add_overflow(rounded, remainder < 0 ? -unit : unit, &away)) {
            rounded = away;
        }
    }
    return rounded;
}

std::optional<int64_t> BcdFromDouble(double value, uint8_t decimals) {
    const int places = std::min<int>(decimals, 4);
    const double rounded = std::round(value * static_cast<double>(kPowersOfTen[places]));
    const double scale = static_cast<double>(kPowersOfTen[4 - places]);
    // 2^63: the first magnitude no int64 holds.
    constexpr double kLimit = 9223372036854775808.0;
    if (!std::isfinite(rounded) || std::abs(rounded) * scale >= kLimit) {
        return std::nullopt;
    }
    return static_cast<int64_t>(rounded) * kPowersOfTen[4 - places];
}

}  // namespace kartei
