#include <gtest/gtest.h>

#include <vector>

#include "engine/keys/KeyArithmetic.h"

namespace kartei {
namespace {

using TBytes = std::vector<uint8_t>;

TBytes Incremented(TBytes key, size_t length) {
    IncrementKey(key.data(), length);
    return key;
}

TBytes Decremented(TBytes key, size_t length) {
    DecrementKey(key.data(), length);
    return key;
}

TEST(KeyArithmetic, IncrementCarriesAndStopsAtTheTop) {
    EXPECT_EQ(Incremented({0x00, 0xFF}, 2), (TBytes{0x01, 0x00}));
    EXPECT_EQ(Incremented({0xFF, 0xFF}, 2), (TBytes{0xFF, 0xFF}));
    EXPECT_EQ(Incremented({0x12, 0xFF, 0xFF}, 3), (TBytes{0x13, 0x00, 0x00}));
    EXPECT_EQ(Incremented({0x12, 0x34}, 2), (TBytes{0x12, 0x35}));
}

TEST(KeyArithmetic, DecrementBorrowsAndStopsAtTheBottom) {
    EXPECT_EQ(Decremented({0x01, 0x00}, 2), (TBytes{0x00, 0xFF}));
    EXPECT_EQ(Decremented({0x00, 0x00}, 2), (TBytes{0x00, 0x00}));
    EXPECT_EQ(Decremented({0x13, 0x00, 0x00}, 3), (TBytes{0x12, 0xFF, 0xFF}));
}

TEST(KeyArithmetic, OnlyTheGivenLengthIsANumber) {
    // The byte after the length neither changes nor carries.
    EXPECT_EQ(Incremented({0x00, 0xFF, 0xFF}, 2), (TBytes{0x01, 0x00, 0xFF}));
    EXPECT_EQ(Incremented({0xFF, 0xFF, 0x00}, 2), (TBytes{0xFF, 0xFF, 0x00}));
    EXPECT_EQ(Decremented({0x01, 0x00, 0x00}, 2), (TBytes{0x00, 0xFF, 0x00}));
    EXPECT_EQ(Decremented({0x00, 0x00, 0x07}, 2), (TBytes{0x00, 0x00, 0x07}));
    EXPECT_EQ(Incremented({0x07}, 0), (TBytes{0x07}));
}

}  // namespace
}  // namespace kartei
