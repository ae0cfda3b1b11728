#pragma once

#include <cstddef>
#include <random>

namespace kartei::tools::model {

// The draws the workload makes from a seeded sequence.
inline bool Chance(std::mt19937& random, double p) {
    return std::bernoulli_distribution(p)(random);
}

// From `low` to `high`, both included.
template <typename T>
T Between(std::mt19937& random, T low, T high) {
    return std::uniform_int_distribution<T>(low, high)(random);
}

// Below `n` (which is not 0).
inline size_t Below(std::mt19937& random, size_t n) {
    return Between<size_t>(random, 0, n - 1);
}

}  // namespace kartei::tools::model
