#include <gtest/gtest.h>

#include "base/Cp1252.h"

namespace kartei {
namespace {

TEST(Cp1252, EveryByteSurvivesARoundTripThroughUtf8) {
    std::string all;
    for (int b = 0; b < 256; ++b) {
        all += static_cast<char>(b);
    }
    bool lossless = false;
    EXPECT_EQ(Utf8ToCp1252(Cp1252ToUtf8(all), &lossless), all);
    EXPECT_TRUE(lossless);
}

TEST(Cp1252, MapsUmlautsAndTheHighControlsRange) {
    EXPECT_EQ(Cp1252ToUtf8("M\xFCnchen"), "M\xC3\xBCnchen");  // ü
    EXPECT_EQ(Cp1252ToUtf8("\x80"), "\xE2\x82\xAC");          // €
    EXPECT_EQ(Cp1252ToUnicode(0x9F), u'\u0178');              // Ÿ
    EXPECT_EQ(UnicodeToCp1252(U'\u20AC'), 0x80);
    EXPECT_EQ(UnicodeToCp1252(U'\u00DF'), 0xDF);
}

TEST(Cp1252, UnrepresentableCharactersBecomeQuestionMarks) {
    bool lossless = true;
    EXPECT_EQ(Utf8ToCp1252("a\xE2\x86\x92"
                           "b",
                           &lossless),
              "a?b");  // →
    EXPECT_FALSE(lossless);
    EXPECT_EQ(UnicodeToCp1252(U'\u0080'), -1);  // a C1 control the code page uses for €
    EXPECT_EQ(Utf8ToCp1252("\xC3"), "?");       // truncated sequence
}

}  // namespace
}  // namespace kartei
