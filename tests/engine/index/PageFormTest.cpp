// Pages as stored: the header fields and the entry forms of the four compression modes, byte by byte, and
// blocks that cannot be pages.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <numeric>
#include <random>

#include "IndexTestSupport.h"
#include "engine/index/EntryCodec.h"
#include "engine/index/Page.h"
#include "engine/index/PageCodec.h"

namespace kartei::test {
namespace {

using TBlock = std::array<uint8_t, kIndexPageSize>;

TPageGeometry Geometry(uint16_t keyLength, TCompression compression, bool unique) {
    return TPageGeometry{keyLength, compression, unique};
}

void MakeLeaf(TPage& page, const TPageGeometry& geometry, const std::vector<TBytes>& keys) {
    page.Reset(1, geometry, 8192);
    page.SetType(TPageType::Leaf);
    for (size_t k = 0; k < keys.size(); ++k) {
        page.AppendEntry(keys[k].data(), static_cast<uint32_t>(100 + k), 1);
    }
}

TBlock Encode(const TPage& page) {
    TBlock block{};
    EXPECT_TRUE(EncodePage(page, block));
    return block;
}

// Decodes a block into a page of the geometry and checks that it holds exactly `keys`.
void ExpectDecodes(const TBlock& block, const TPageGeometry& geometry, const std::vector<TBytes>& keys) {
    TPage page;
    page.Reset(1, geometry, 8192);
    ASSERT_TRUE(DecodePage(block, page));
    ASSERT_EQ(page.Count(), static_cast<int>(keys.size()));
    for (size_t k = 0; k < keys.size(); ++k) {
        EXPECT_EQ(
            TBytes(page.Key(static_cast<int>(k) + 1), page.Key(static_cast<int>(k) + 1) + geometry.KeyLength),
            keys[k]);
        EXPECT_EQ(page.Value(static_cast<int>(k) + 1), 100 + k);
    }
}

TBytes Text(const std::string& text) {
    return TBytes(text.begin(), text.end());
}

const uint8_t* Data(const TBlock& block) {
    return block.data() + kPageHeaderSize;
}

TEST(PageFormTest, LeadingModeStoresBytesSharedWithThePreviousKeyOnce) {
    const TPageGeometry geometry = Geometry(200, TCompression::Leading, true);
    const std::vector<TBytes> keys = {Text(std::string(150, 'B') + std::string(50, 'a')),
                                      Text(std::string(150, 'B') + "b" + std::string(49, 'c')),
                                      Text(std::string(150, 'B') + "c" + std::string(49, 'd'))};
    TPage page;
    MakeLeaf(page, geometry, keys);
    const TBlock block = Encode(page);
    EXPECT_EQ(block[0], 2);
    EXPECT_EQ(ReadU16(block.data() + 1), 3);
    // First entry: L = 0 and the whole key; then L = 150 and the 50 bytes after the shared ones.
    EXPECT_EQ(ReadU16(Data(block)), 0);
    EXPECT_EQ(ReadU32(Data(block) + 2 + 200), 100u);
    const uint8_t* second = Data(block) + 206;
    EXPECT_EQ(ReadU16(second), 150);
    EXPECT_EQ(TBytes(second + 2, second + 52), TBytes(keys[1].begin() + 150, keys[1].end()));
    EXPECT_EQ(ReadU32(second + 52), 101u);
    EXPECT_EQ(ReadU16(block.data() + 11), 206 + 56 + 56);  // bytes used
    EXPECT_EQ(std::count(block.begin(), block.end(), 'B'), 150);
    ExpectDecodes(block, geometry, keys);
}

TEST(PageFormTest, BothModeCapsLeadingAndTrailingCountsAt255) {
    const TPageGeometry geometry = Geometry(300, TCompression::Both, true);
    TBytes zeros(300, 0);
    zeros[0] = 'E';
    const std::vector<TBytes> keys = {Text(std::string(280, 'C') + std::string(20, 'x')),
                                      Text(std::string(280, 'C') + "y" + std::string(19, 'z')), zeros};
    TPage page;
    MakeLeaf(page, geometry, keys);
    const TBlock block = Encode(page);
    // 280 equal leading bytes are stored as L = 255 with bytes 255 to 299 written out.
    const uint8_t* second = Data(block) + 2 + 300 + 4;
    EXPECT_EQ(second[0], 255);
    EXPECT_EQ(second[1], 0);
    EXPECT_EQ(TBytes(second + 2, second + 47), TBytes(keys[1].begin() + 255, keys[1].end()));
    // 299 trailing zero bytes: T = 255, so bytes 0 to 44 are written.
    const uint8_t* third = second + 2 + 45 + 4;
    EXPECT_EQ(third[0], 0);  // nothing shared with the previous key
    EXPECT_EQ(third[1], 255);
    EXPECT_EQ(third[2], 'E');
    EXPECT_EQ(TBytes(third + 3, third + 47), TBytes(44, 0));
    EXPECT_EQ(ReadU32(third + 47), 102u);
    EXPECT_EQ(ReadU16(block.data() + 11), 306 + 51 + 51);
    ExpectDecodes(block, geometry, keys);
}

TEST(PageFormTest, TrailingModeKeepsTheRecordIdentifierOfANonUniqueKey) {
    // Flag, "AB" and seven zero bytes, then the suffix of record identifier 256: 80 00 01 00.
    const TBytes key = {1, 'A', 'B', 0, 0, 0, 0, 0, 0, 0, 0x80, 0x00, 0x01, 0x00};
    TPage nonUnique;
    MakeLeaf(nonUnique, Geometry(14, TCompression::Trailing, false), {key});
    const TBlock block = Encode(nonUnique);
    EXPECT_EQ(ReadU16(Data(block)), 7);
    EXPECT_EQ(TBytes(Data(block) + 2, Data(block) + 9), (TBytes{1, 'A', 'B', 0x80, 0x00, 0x01, 0x00}));
    EXPECT_EQ(ReadU32(Data(block) + 9), 100u);
    EXPECT_EQ(ReadU16(block.data() + 11), 13);
    ExpectDecodes(block, Geometry(14, TCompression::Trailing, false), {key});
    // In a unique index the same bytes end in a single zero byte.
    TPage unique;
    MakeLeaf(unique, Geometry(14, TCompression::Trailing, true), {key});
    const TBlock uniqueBlock = Encode(unique);
    EXPECT_EQ(ReadU16(Data(uniqueBlock)), 1);
    EXPECT_EQ(ReadU16(uniqueBlock.data() + 11), 2 + 13 + 4);
    ExpectDecodes(uniqueBlock, Geometry(14, TCompression::Trailing, true), {key});
}

TEST(PageFormTest, BothModeCountsNoTrailingZerosWhenOnlyTheSuffixRemains) {
    const TPageGeometry geometry = Geometry(10, TCompression::Both, false);
    const std::vector<TBytes> keys = {{1, 'A', 0, 0, 0, 0, 0x80, 0, 0, 5},
                                      {1, 'A', 0, 0, 0, 0, 0x80, 0, 0, 6}};
    TPage page;
    MakeLeaf(page, geometry, keys);
    const TBlock block = Encode(page);
    // First entry: four zero bytes before the suffix left out.
    EXPECT_EQ(Data(block)[0], 0);
    EXPECT_EQ(Data(block)[1], 4);
    EXPECT_EQ(TBytes(Data(block) + 2, Data(block) + 8), (TBytes{1, 'A', 0x80, 0, 0, 5}));
    // Second entry: nine bytes shared, fewer than 5 left, so T = 0 and one byte is written.
    const uint8_t* second = Data(block) + 12;
    EXPECT_EQ(second[0], 9);
    EXPECT_EQ(second[1], 0);
    EXPECT_EQ(second[2], 6);
    EXPECT_EQ(ReadU32(second + 3), 101u);
    EXPECT_EQ(ReadU16(block.data() + 11), 12 + 7);
    ExpectDecodes(block, geometry, keys);
}

TEST(PageFormTest, SharedAndZeroCountsAreExactAtEveryByteOfALongKey) {
    // Counts found across and within the words a long key is scanned in.
    const TPageGeometry both = Geometry(40, TCompression::Both, true);
    TBytes previous(40);
    for (size_t k = 0; k < previous.size(); ++k) {
        previous[k] = static_cast<uint8_t>(k + 1);
    }
    for (size_t differs = 0; differs <= 40; ++differs) {
        TBytes key = previous;
        if (differs < 40) {
            key[differs] = 0xEE;
        }
        EXPECT_EQ(LeafEntryForm(both, previous.data(), key.data()).Leading, differs) << differs;
    }
    for (size_t zeros = 0; zeros <= 40; ++zeros) {
        TBytes key(40, 0x41);
        std::fill(key.end() - static_cast<std::ptrdiff_t>(zeros), key.end(), 0);
        EXPECT_EQ(LeafEntryForm(both, nullptr, key.data()).Trailing, zeros) << zeros;
    }
    // The zeros are counted back no further than the bytes shared with the previous key.
    TBytes previous3(40, 0);
    std::fill(previous3.begin(), previous3.begin() + 3, 0x41);
    TBytes key5(40, 0);
    std::fill(key5.begin(), key5.begin() + 5, 0x41);
    const TEntryForm form = LeafEntryForm(both, previous3.data(), key5.data());
    EXPECT_EQ(form.Leading, 3);
    EXPECT_EQ(form.Trailing, 35);
    EXPECT_EQ(LeafEntryForm(both, previous3.data(), previous3.data()).Trailing, 0);
}

TEST(PageFormTest, EveryModeDecodesWhatItEncodes) {
    std::mt19937 random(5);
    for (const bool unique : {true, false}) {
        for (int mode = 0; mode < 4; ++mode) {
            const TPageGeometry geometry = Geometry(40, static_cast<TCompression>(mode), unique);
            std::vector<TBytes> keys;
            for (int k = 0; k < 60; ++k) {
                TBytes key(40, 0);
                // Shared starts, zero runs and random bytes in every mix.
                const int prefix = std::uniform_int_distribution<int>(0, 40)(random);
                const int zerosFrom = std::uniform_int_distribution<int>(prefix, 40)(random);
                for (int b = 0; b < 40; ++b) {
                    key[b] = b < prefix ? 'P' : b < zerosFrom ? static_cast<uint8_t>(random() % 3) : 0;
                }
                keys.push_back(key);
            }
            TPage page;
            MakeLeaf(page, geometry, keys);
            size_t used = 0;
            for (int k = 1; k <= page.Count(); ++k) {
                used += LeafEntrySize(geometry, page.Form(k));
            }
            const TBlock block = Encode(page);
            EXPECT_EQ(ReadU16(block.data() + 11), mode == 0 ? 0u : used);
            ExpectDecodes(block, geometry, keys);
            // Decoded with the forms it was written with, the page writes the same bytes again.
            TPage decoded;
            decoded.Reset(1, geometry, 8192);
            ASSERT_TRUE(DecodePage(block, decoded));
            EXPECT_EQ(decoded.UsedBytes(), mode == 0 ? 0u : used);
            EXPECT_EQ(Encode(decoded), block);
        }
    }
}

TEST(PageFormTest, AnEntryStoredLongerThanNeededKeepsItsFormUntilItsNeighbourChanges) {
    // Mode 1 allows leading counts below the shared prefix: "AAC" after "AAA" stored whole (L = 0).
    const TPageGeometry geometry = Geometry(3, TCompression::Leading, true);
    TBlock block{};
    block[0] = static_cast<uint8_t>(TPageType::RootLeaf);
    block[1] = 2;
    const uint8_t entries[] = {0, 0, 'A', 'A', 'A', 1, 0, 0, 0,   // L = 0, "AAA", record 1
                               0, 0, 'A', 'A', 'C', 2, 0, 0, 0};  // L = 0 although 2 bytes are shared
    std::copy(std::begin(entries), std::end(entries), block.begin() + kPageHeaderSize);
    block[11] = sizeof entries;
    TPage page;
    page.Reset(1, geometry, 8192);
    ASSERT_TRUE(DecodePage(block, page));
    EXPECT_EQ(page.UsedBytes(), sizeof entries);
    EXPECT_EQ(page.Form(2).Leading, 0);
    EXPECT_EQ(Encode(page), block);
    // "AAB" inserted before it makes it take its shortest form, and the size follows.
    page.InsertEntry(2, Text("AAB").data(), 3, 1);
    EXPECT_EQ(page.Form(3).Leading, 2);
    size_t used = 0;
    for (int k = 1; k <= page.Count(); ++k) {
        used += LeafEntrySize(geometry, page.Form(k));
    }
    EXPECT_EQ(page.UsedBytes(), used);
}

TEST(PageFormTest, NodePagesAreNeverCompressed) {
    TPage node;
    node.Reset(1, Geometry(5, TCompression::Both, true), 12288);
    node.SetType(TPageType::RootNode);
    node.SetNextPage(0);
    node.AppendEntry(IntKey(1).data(), 8192, 40);
    node.AppendEntry(IntKey(9).data(), 16384, 2);
    TBlock block = Encode(node);
    EXPECT_EQ(block[0], 0);
    EXPECT_EQ(ReadU16(block.data() + 1), 2);
    EXPECT_EQ(ReadU16(block.data() + 11), 0);  // node pages are never compressed
    EXPECT_EQ(TBytes(Data(block), Data(block) + 5), IntKey(1));
    EXPECT_EQ(ReadU32(Data(block) + 5), 8192u);
    EXPECT_EQ(ReadU32(Data(block) + 9), 40u);
    EXPECT_EQ(ReadU32(Data(block) + 13 + 5), 16384u);
    EXPECT_EQ(ReadU32(Data(block) + 13 + 9), 2u);
    TPage decoded;
    decoded.Reset(1, Geometry(5, TCompression::Both, true), 12288);
    ASSERT_TRUE(DecodePage(block, decoded));
    EXPECT_EQ(decoded.TotalCount(), 42);
    EXPECT_EQ(decoded.CountBefore(2), 40);
}

TEST(PageFormTest, FixedWidthPagesDecodeWhatTheyEncodeAtEveryKeyLength) {
    // 5 and 9 bytes (integer keys, alone or with a record identifier) decode on paths of their own.
    for (const uint16_t keyLength : {uint16_t{3}, uint16_t{5}, uint16_t{9}, uint16_t{40}}) {
        for (const TPageType type : {TPageType::Leaf, TPageType::Node}) {
            TPage page;
            page.Reset(1, Geometry(keyLength, TCompression::None, true), 8192);
            page.SetType(type);
            for (uint32_t k = 0; k < 70; ++k) {
                TBytes key(keyLength);
                for (size_t b = 0; b < key.size(); ++b) {
                    key[b] = static_cast<uint8_t>(k * 7 + b);
                }
                page.AppendEntry(key.data(), 0x01020300u + k, type == TPageType::Leaf ? 1 : 2 * k + 1);
            }
            const TBlock block = Encode(page);
            TPage decoded;
            decoded.Reset(1, page.Geometry(), 8192);
            ASSERT_TRUE(DecodePage(block, decoded));
            ASSERT_EQ(decoded.Count(), page.Count());
            EXPECT_EQ(decoded.Type(), type);
            for (int k = 1; k <= page.Count(); ++k) {
                EXPECT_EQ(TBytes(decoded.Key(k), decoded.Key(k) + keyLength),
                          TBytes(page.Key(k), page.Key(k) + keyLength));
                EXPECT_EQ(decoded.Value(k), page.Value(k));
                EXPECT_EQ(decoded.SubtreeCount(k), page.SubtreeCount(k));
                EXPECT_EQ(decoded.Form(k).Leading, 0);
                EXPECT_EQ(decoded.Form(k).Trailing, 0);
            }
            EXPECT_EQ(decoded.TotalCount(), page.TotalCount());
            EXPECT_EQ(Encode(decoded), block);
        }
    }
}

TEST(PageFormTest, BlocksThatCannotBePagesAreRefused) {
    const TPageGeometry plain = Geometry(5, TCompression::None, true);
    TPage page;
    const auto decodes = [&](const TBlock& block, const TPageGeometry& geometry) {
        page.Reset(1, geometry, 8192);
        return DecodePage(block, page);
    };
    TBlock block{};
    block[0] = 4;  // no such page type
    EXPECT_FALSE(decodes(block, plain));
    block[0] = 2;
    WriteU16(block.data() + 1, static_cast<uint16_t>(LeafCapacity(5)));
    EXPECT_TRUE(decodes(block, plain));
    WriteU16(block.data() + 1, static_cast<uint16_t>(LeafCapacity(5) + 1));  // more entries than fit
    EXPECT_FALSE(decodes(block, plain));
    block[0] = 1;
    WriteU16(block.data() + 1, static_cast<uint16_t>(NodeCapacity(5) + 1));
    EXPECT_FALSE(decodes(block, plain));
    // A compressed leaf whose entries run past the page.
    const TPageGeometry leading = Geometry(5, TCompression::Leading, true);
    block.fill(0);
    block[0] = 2;
    WriteU16(block.data() + 1, 700);
    EXPECT_FALSE(decodes(block, leading));
    // A first entry that claims bytes shared with a previous key.
    WriteU16(block.data() + 1, 1);
    WriteU16(block.data() + kPageHeaderSize, 2);
    EXPECT_FALSE(decodes(block, leading));
    // Leading count beyond the key.
    WriteU16(block.data() + 1, 2);
    WriteU16(block.data() + kPageHeaderSize, 0);
    WriteU16(block.data() + kPageHeaderSize + 11, 6);
    EXPECT_FALSE(decodes(block, leading));
    WriteU16(block.data() + kPageHeaderSize + 11, 5);
    EXPECT_TRUE(decodes(block, leading));
}

TEST(PageFormTest, MalformedEntryFormsAreRefused) {
    std::array<uint8_t, kPageDataSize> data{};
    std::array<TLeafEntryPlace, kPageDataSize / 6> places{};
    const TPageGeometry trailing = Geometry(10, TCompression::Trailing, false);
    WriteU16(data.data(), 6);  // at most 10 - 4 zero bytes before the suffix
    EXPECT_EQ(ReadLeafForms(trailing, data.data(), 1, places.data()), 2u + 4 + 4);
    WriteU16(data.data(), 7);
    EXPECT_EQ(ReadLeafForms(trailing, data.data(), 1, places.data()), 0u);

    const TPageGeometry both = Geometry(10, TCompression::Both, true);
    data.fill(0);
    data[0] = 4;  // shared bytes, but nothing before the first entry
    EXPECT_EQ(ReadLeafForms(both, data.data(), 1, places.data()), 0u);
    const uint8_t entries[] = {0, 6, 1, 2, 3, 4, 0, 0, 0, 0,  // "1234", record 0
                               4, 6, 0, 0, 0, 0};             // the 4 shared and 6 zero bytes: nothing stored
    std::copy(std::begin(entries), std::end(entries), data.begin());
    ASSERT_EQ(ReadLeafForms(both, data.data(), 2, places.data()), sizeof entries);
    EXPECT_EQ(places[1].At, 10);
    uint8_t key[10] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};  // the shared bytes in place
    ExpandLeafKey(both, data.data() + places[1].At, places[1].Form, places[1].Form.Leading, 10, key);
    EXPECT_EQ(TBytes(key, key + 10), (TBytes{1, 2, 3, 4, 0, 0, 0, 0, 0, 0}));
    data[11] = 7;  // more than remain after the shared bytes
    EXPECT_EQ(ReadLeafForms(both, data.data(), 2, places.data()), 0u);

    // 255 whole entries of 16 bytes fill 4080 of the 4083 bytes: one more runs past the page.
    data.fill(0);
    EXPECT_EQ(ReadLeafForms(both, data.data(), 255, places.data()), 4080u);
    EXPECT_EQ(ReadLeafForms(both, data.data(), 256, places.data()), 0u);
}

// Keys sharing long and short prefixes with their neighbours, some only through entries further back.
std::vector<TBytes> PrefixSharingKeys(uint16_t keyLength, size_t count, std::mt19937& random) {
    std::vector<TBytes> keys;
    while (keys.size() < count) {
        TBytes key(keyLength, 0);
        // Mostly short, now and then nearly the whole key (a shared run beyond mode 3's cap of 255).
        const size_t length = random() % 8 == 0 ? keyLength - random() % 8 : 1 + random() % 12;
        const size_t ones = random() % 4 == 0 ? length : random() % (length + 1);
        std::fill_n(key.begin(), ones, 'a');
        for (size_t k = ones; k < length; ++k) {
            key[k] = static_cast<uint8_t>('a' + random() % 3);
        }
        keys.push_back(key);
    }
    std::sort(keys.begin(), keys.end());
    keys.erase(std::unique(keys.begin(), keys.end()), keys.end());
    return keys;
}

// A page read from disk decompresses its entries as they are read: in any order, before or after a change
// or a copy, it holds what was stored.
TEST(PageFormTest, APackedLeafReadsAlikeInAnyOrderAndThroughChanges) {
    std::mt19937 random(7);
    for (const TCompression compression :
         {TCompression::Leading, TCompression::Both, TCompression::Trailing}) {
        for (const uint16_t keyLength : {uint16_t{12}, uint16_t{300}}) {
            SCOPED_TRACE(::testing::Message()
                         << "mode " << static_cast<int>(compression) << " key " << keyLength);
            const TPageGeometry geometry = Geometry(keyLength, compression, true);
            std::vector<TBytes> keys = PrefixSharingKeys(keyLength, 600, random);
            TPage full;
            full.Reset(1, geometry, 8192);
            full.SetType(TPageType::Leaf);
            for (size_t k = 0; k < keys.size() && !full.OverfullWith(full.Count() + 1, keys[k].data()); ++k) {
                full.AppendEntry(keys[k].data(), static_cast<uint32_t>(100 + k), 1);
            }
            keys.resize(static_cast<size_t>(full.Count()));
            ASSERT_GT(keys.size(), 20u);
            const TBlock block = Encode(full);

            TPage page;
            page.Reset(1, geometry, 8192);
            ASSERT_TRUE(DecodePage(block, page));
            std::vector<int> order(keys.size());
            std::iota(order.begin(), order.end(), 1);
            std::shuffle(order.begin(), order.end(), random);
            for (const int position : order) {
                ASSERT_EQ(TBytes(page.Key(position), page.Key(position) + keyLength), keys[position - 1]);
                ASSERT_EQ(page.Value(position), 100u + static_cast<uint32_t>(position - 1));
                ASSERT_EQ(page.Form(position).Leading, full.Form(position).Leading);
            }
            EXPECT_EQ(page.UsedBytes(), full.UsedBytes());

            // A walk taking each key from the one before, on a fresh page and on one with keys expanded
            // here and there (those come from their slots).
            for (const bool someRead : {false, true}) {
                page.Reset(1, geometry, 8192);
                ASSERT_TRUE(DecodePage(block, page));
                if (someRead) {
                    for (size_t k = 0; k < order.size() / 3; ++k) {
                        static_cast<void>(page.Key(order[k]));
                    }
                }
                TBytes key(keyLength, 0xAA);
                for (int position = 1; position <= page.Count(); ++position) {
                    page.ReadNextKey(position, key.data());
                    ASSERT_EQ(key, keys[static_cast<size_t>(position - 1)]) << position;
                }
            }

            // A change to a page of which only a few entries were read: the rest come out as stored.
            page.Reset(1, geometry, 8192);
            ASSERT_TRUE(DecodePage(block, page));
            const int middle = page.Count() / 2;
            static_cast<void>(page.Key(middle + 3));
            const TBytes removed = keys[static_cast<size_t>(middle - 1)];
            page.RemoveEntry(middle);
            page.InsertEntry(middle, removed.data(), 100u + static_cast<uint32_t>(middle - 1), 1);
            EXPECT_EQ(page.UsedBytes(), full.UsedBytes());
            EXPECT_EQ(Encode(page), block);

            TPage copy;
            page.Reset(1, geometry, 8192);
            ASSERT_TRUE(DecodePage(block, page));
            copy.CopyFrom(page);
            EXPECT_EQ(Encode(copy), block);
        }
    }
}

}  // namespace
}  // namespace kartei::test
