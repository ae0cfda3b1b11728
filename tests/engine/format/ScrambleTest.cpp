#include "engine/format/Scramble.h"

#include <gtest/gtest.h>

#include <vector>

namespace kartei {
namespace {

std::vector<uint8_t> Pattern(size_t size) {
    std::vector<uint8_t> bytes(size);
    for (size_t k = 0; k < size; ++k) {
        bytes[k] = static_cast<uint8_t>(k * 7 + k / 256);
    }
    return bytes;
}

TEST(ScrambleTest, XorsWithARisingLowAndAFallingHighCounterByte) {
    // Counter bytes (low, high): (01,02) (02,01) (03,00) (04,FF) (05,FE).
    std::vector<uint8_t> data = {0, 0, 0, 0, 0x10};
    ScrambleBytes(data, 0x01, 0x02);
    EXPECT_EQ(data, (std::vector<uint8_t>{0x03, 0x03, 0x03, 0xFB, 0x10 ^ 0x05 ^ 0xFE}));
    // Low FF wraps to 00, high 00 to FF.
    std::vector<uint8_t> wrap = {0, 0};
    ScrambleBytes(wrap, 0xFF, 0x00);
    EXPECT_EQ(wrap, (std::vector<uint8_t>{0xFF, 0xFF}));
}

TEST(ScrambleTest, TheSameCallUnscramblesAndTheKeysDiffer) {
    const std::vector<uint8_t> plain = Pattern(300);
    std::vector<uint8_t> record = plain;
    ScrambleRecordImage(record);
    EXPECT_NE(record, plain);
    std::vector<uint8_t> text = plain;
    ScrambleText(text);
    EXPECT_NE(text, record);
    ScrambleRecordImage(record);
    ScrambleText(text);
    EXPECT_EQ(record, plain);
    EXPECT_EQ(text, plain);
}

TEST(ScrambleTest, BlocksOfWhole64KiBMultiplesStayPlain) {
    const std::vector<uint8_t> plain = Pattern(3 * 65536);  // 256 descriptors
    std::vector<uint8_t> area = plain;
    ScrambleDescriptorArea(area);
    EXPECT_EQ(area, plain);
    std::vector<uint8_t> longer = Pattern(65537);
    ScrambleBytes(longer, 0x01, 0x02);
    EXPECT_NE(longer, Pattern(65537));
}

TEST(ScrambleTest, OldEngineDescriptorAreasUnscrambleOnlyTheLengthModulo64KiB) {
    const std::vector<uint8_t> plain = Pattern(86 * 768);  // 66048 bytes: 512 beyond 65536
    std::vector<uint8_t> current = plain;
    ScrambleDescriptorArea(current);
    std::vector<uint8_t> read = current;
    UnscrambleDescriptorArea(read, 21100);
    EXPECT_EQ(read, plain);

    // An old engine scrambled only the first 512 bytes; reading with version 0 undoes exactly that.
    std::vector<uint8_t> old = plain;
    ScrambleDescriptorArea(std::span(old).first(512));
    UnscrambleDescriptorArea(old, 0);
    EXPECT_EQ(old, plain);
}

}  // namespace
}  // namespace kartei
