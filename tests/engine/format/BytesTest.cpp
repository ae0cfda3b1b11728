#include "engine/format/Bytes.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "engine/format/ShortString.h"

namespace kartei {
namespace {

TEST(BytesTest, IntegersAndDoublesAreLittleEndianAtAnyPosition) {
    const std::array<uint8_t, 9> bytes = {0xAA, 0x78, 0x56, 0x34, 0x12, 0xFF, 0xFF, 0xFF, 0xFF};
    EXPECT_EQ(ReadU16(bytes.data() + 1), 0x5678);
    EXPECT_EQ(ReadU32(bytes.data() + 1), 0x12345678u);
    EXPECT_EQ(ReadI16(bytes.data() + 5), -1);
    EXPECT_EQ(ReadI32(bytes.data() + 5), -1);
    EXPECT_EQ(ReadI64(bytes.data() + 1), static_cast<int64_t>(0xFFFFFFFF12345678ull));

    std::array<uint8_t, 9> out{};
    WriteI32(out.data() + 1, -2);
    EXPECT_EQ(out, (std::array<uint8_t, 9>{0, 0xFE, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0}));
    WriteF64(out.data() + 1, 1.0);
    EXPECT_EQ(out, (std::array<uint8_t, 9>{0, 0, 0, 0, 0, 0, 0, 0xF0, 0x3F}));
    EXPECT_EQ(ReadF64(out.data() + 1), 1.0);
    WriteU16(out.data(), 0xBEEF);
    WriteI64(out.data() + 1, -3);
    EXPECT_EQ(out, (std::array<uint8_t, 9>{0xEF, 0xFD, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}));
}

TEST(BytesTest, ShortStringsKeepTheirCapacityAndZeroTheRest) {
    std::vector<uint8_t> area(6, 0xEE);
    WriteShortString(area.data(), 5, "abcdefg");
    EXPECT_EQ(area, (std::vector<uint8_t>{5, 'a', 'b', 'c', 'd', 'e'}));
    WriteShortString(area.data(), 5, "xy");
    EXPECT_EQ(area, (std::vector<uint8_t>{2, 'x', 'y', 0, 0, 0}));
    EXPECT_EQ(ReadShortString(area.data(), 5), "xy");
    // A damaged length byte does not lead the read out of the area.
    area[0] = 200;
    EXPECT_EQ(ShortStringView(area.data(), 5).size(), 5u);
}

}  // namespace
}  // namespace kartei
