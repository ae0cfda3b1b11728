#include <gtest/gtest.h>

#include <algorithm>
#include <thread>
#include <vector>

#include "engine/locale/CharOrderMap.h"
#include "engine/locale/Collator.h"
#include "engine/locale/LocaleId.h"

namespace kartei {
namespace {

size_t PositionOf(const TCharOrderMap& map, uint8_t byte) {
    return static_cast<size_t>(std::find(map.begin(), map.end(), byte) - map.begin());
}

TEST(CharOrderMap, NoLanguageIsTheIdentity) {
    TLanguageCharMapsList list;
    const TCharOrderMap map = list.GetCharMap(0, 0);
    for (size_t k = 0; k < map.size(); ++k) {
        EXPECT_EQ(map[k], k);
    }
}

TEST(CharOrderMap, GermanMapIsAPermutationInCollationOrder) {
    TLanguageCharMapsList list;
    const TCharOrderMap map = list.GetCharMap(0x0407, 0);
    TCharOrderMap sorted = map;
    std::sort(sorted.begin(), sorted.end());
    for (size_t k = 0; k < sorted.size(); ++k) {
        ASSERT_EQ(sorted[k], k);
    }
    // Full strength: a before A before ä (accent outweighs case) before b; digits before letters.
    EXPECT_LT(PositionOf(map, 'a'), PositionOf(map, 'A'));
    EXPECT_LT(PositionOf(map, 'A'), PositionOf(map, 0xE4));
    EXPECT_LT(PositionOf(map, 0xE4), PositionOf(map, 'b'));
    EXPECT_LT(PositionOf(map, '9'), PositionOf(map, 'a'));
    EXPECT_LT(PositionOf(map, 'z'), PositionOf(map, 0xFE));  // thorn follows z
}

TEST(CharOrderMap, LowestAndHighestCharactersBoundEveryString) {
    TLanguageCharMapsList list;
    const TCharOrderMap map = list.GetCharMap(0x0407, 1);
    // Byte 0 collates as nothing, so it is (one of) the lowest; equal characters keep byte order.
    EXPECT_EQ(map.front(), 0);
    // The micro sign is Greek mu, and Greek follows Latin: the highest character cp1252 holds.
    EXPECT_EQ(map.back(), 0xB5);
    const TCollator* collator = KeyCollator(MakeLocaleId(0x0407, 1));
    ASSERT_NE(collator, nullptr);
    const uint8_t highest = map.back();
    for (int byte = 1; byte < 256; ++byte) {
        const auto character = static_cast<uint8_t>(byte);
        EXPECT_LE(collator->Compare(&character, 1, &highest, 1), 0) << byte;
    }
}

TEST(CharOrderMap, EachPairIsBuiltOnce) {
    TLanguageCharMapsList list;
    const TCharOrderMap first = list.GetCharMap(0x0407, 0);
    EXPECT_EQ(list.BuildCount(), 1u);
    const TCharOrderMap second = list.GetCharMap(0x0407, 0);
    EXPECT_EQ(list.BuildCount(), 1u);
    EXPECT_EQ(first, second);
    // Another sort id of the same language is another map.
    list.GetCharMap(0x0407, 1);
    EXPECT_EQ(list.BuildCount(), 2u);
}

TEST(CharOrderMap, ConcurrentFirstRequestsBuildOnce) {
    TLanguageCharMapsList list;
    std::vector<TCharOrderMap> maps(4);
    std::vector<std::thread> threads;
    for (size_t k = 0; k < maps.size(); ++k) {
        threads.emplace_back([&list, &maps, k] { maps[k] = list.GetCharMap(0x040C, 0); });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(list.BuildCount(), 1u);
    for (const TCharOrderMap& map : maps) {
        EXPECT_EQ(map, maps.front());
    }
}

}  // namespace
}  // namespace kartei
