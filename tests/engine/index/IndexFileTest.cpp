// The index file: its header on disk, page allocation and the free chains, the page caches with recency and
// pinning, write-back in runs, change detection through the ChangeCounter, and scrambling.
#include <gtest/gtest.h>

#include <cerrno>

#include "IndexTestSupport.h"
#include "engine/format/ExpectKarteiError.h"
#include "engine/format/Scramble.h"

namespace kartei::test {
namespace {

const char* const kCorrupt = "Kartei Engine Error # 8965 Index page buffers corrupt in table 'T'";

const uint8_t* At(const std::string& bytes, size_t offset) {
    return reinterpret_cast<const uint8_t*>(bytes.data() + offset);
}

class IndexFileTest : public TIndexFileFixture {
protected:
    void SetUp() override {
        TIndexFileFixture::SetUp();
        fields_ = TestFields();
        slot_ = AddSecondaryIndex(file_, Definition("Num", {{2}}, true), fields_);
    }

    // `count` new pages, written to disk and no longer cached.
    std::vector<uint32_t> MakePages(int count) {
        std::vector<uint32_t> offsets;
        for (int k = 0; k < count; ++k) {
            TPageRef page = file_.NewPage(slot_);
            page->SetType(TPageType::Leaf);
            page->AppendEntry(IntKey(k).data(), static_cast<uint32_t>(k), 1);
            offsets.push_back(page->Offset());
        }
        file_.Flush();
        Reopen();
        return offsets;
    }

    bool Cached(uint32_t offset) const {
        for (const auto& page : file_.Cache(slot_).Pages()) {
            if (page->Offset() == offset) {
                return true;
            }
        }
        return false;
    }

    std::vector<TFieldDescriptor> fields_;
    int slot_ = 0;
};

TEST_F(IndexFileTest, ANewFileHasAHeaderWithTheDeletedRecordIndexOnly) {
    TIndexFile fresh;
    const std::string path = dir_.File("New.IDX");
    fresh.Create(path);
    const std::string bytes = testing::ReadBytes(path);
    ASSERT_EQ(bytes.size(), 4096u);
    EXPECT_EQ(ReadU32(At(bytes, 0)), 1u);  // raised before the first write
    EXPECT_EQ(bytes[8], 4);
    EXPECT_EQ(ReadU32(At(bytes, 9)), 4096u);
    EXPECT_EQ(bytes[13], 0);
    const size_t deleted = 14 + 120 * 31;
    EXPECT_EQ(bytes.substr(deleted, 12), std::string("\x0bSys Deleted"));
    EXPECT_EQ(ReadU16(At(bytes, deleted + 31)), 5);
    EXPECT_EQ(bytes[deleted + 35], 1);
    EXPECT_EQ(bytes[deleted + 36], 0);
    EXPECT_EQ(bytes[3979], 0);
    EXPECT_EQ(std::count(bytes.begin() + 14, bytes.begin() + deleted, '\0'), 120 * 31);
}

TEST_F(IndexFileTest, TheHeaderSurvivesWritingAndReading) {
    file_.SetRecordCount(77);
    file_.SetNoPrimaryKey(true);
    file_.Flush();
    const std::string bytes = Bytes();
    EXPECT_EQ(ReadU32(At(bytes, 0)), 2u);
    EXPECT_EQ(bytes[13], 1);
    EXPECT_EQ(bytes.substr(14 + 120, 4), std::string("\x03Num"));
    EXPECT_EQ(ReadI32(At(bytes, 3974)), 77);
    EXPECT_EQ(bytes[3978], 1);
    EXPECT_EQ(bytes[3979], 1);  // written because it changed
    const TIndexHeader before = file_.Header();
    Reopen();
    EXPECT_EQ(file_.Header().Slots, before.Slots);
    EXPECT_EQ(file_.RecordCount(), 77);
    EXPECT_TRUE(file_.NoPrimaryKey());
    EXPECT_EQ(file_.Header().ChangeCounter, 2u);
    // Nothing changed: nothing is written.
    file_.Flush();
    EXPECT_EQ(ReadU32(At(Bytes(), 0)), 2u);
}

TEST_F(IndexFileTest, MoreThan30SecondaryIndexesOrAShortHeaderAreCorrupt) {
    file_.Close();
    Patch(13, {31});
    ExpectKarteiError([&] { file_.Open(path_, false); }, 8961,
                      "Kartei Engine Error # 8961 Header information corrupt in table 'T'");
    EXPECT_FALSE(file_.IsOpen());
    Patch(13, {30});
    file_.Open(path_, false);
    file_.Close();
    testing::WriteBytes(path_, std::string(100, '\0'));
    ExpectKarteiError([&] { file_.Open(path_, false); }, 8961,
                      "Kartei Engine Error # 8961 Header information corrupt in table 'T'");
}

TEST_F(IndexFileTest, NewPagesAreAppendedAtEndOffset) {
    TPageRef first = file_.NewPage(slot_);
    EXPECT_EQ(first->Offset(), 4096u);
    EXPECT_EQ(first->Type(), TPageType::RootNode);
    EXPECT_EQ(first->Count(), 0);
    EXPECT_TRUE(first->IsDirty());
    EXPECT_EQ(file_.Header().EndOffset, 8192u);
    TPageRef second = file_.NewPage(slot_);
    EXPECT_EQ(second->Offset(), 8192u);
    EXPECT_EQ(file_.Header().EndOffset, 12288u);
    // Only pages of the file can be read: not the header, not between pages, not at or past the end.
    for (const uint32_t offset : {0u, 4097u, 12288u, 16384u}) {
        ExpectKarteiError([&] { file_.ReadPage(slot_, offset); }, 8965, kCorrupt);
    }
}

TEST_F(IndexFileTest, APageMayStartAtOffset2000000000AtTheLatest) {
    file_.Flush();
    file_.Close();
    const uint32_t last = 2000000000u / 4096 * 4096;  // 1999998976
    Patch(9, U32(last));
    file_.Open(path_, false);
    TPageRef page = file_.NewPage(slot_);
    EXPECT_EQ(page->Offset(), last);
    page.Release();
    ExpectKarteiError([&] { file_.NewPage(slot_); }, 9479,
                      "Kartei Engine Error # 9479 The table 'T' is full and cannot contain any more data");
    // Closing drops the unwritten page, so no 2 GB file is made.
    file_.Close();
    EXPECT_EQ(Bytes().size(), 4096u);
}

TEST_F(IndexFileTest, FreedPagesFormAChainThatNewPagesTakeFirst) {
    const std::vector<uint32_t> pages = MakePages(3);
    {
        TPageRef a = file_.ReadPage(slot_, pages[0]);
        TPageRef b = file_.ReadPage(slot_, pages[1]);
        file_.FreePage(*a);
        file_.FreePage(*b);
        EXPECT_EQ(b->NextPage(), pages[0]);
        EXPECT_EQ(a->NextPage(), 0u);
    }
    EXPECT_EQ(file_.Descriptor(slot_).FreePageHead, pages[1]);
    file_.Flush();
    const std::string bytes = Bytes();
    // A free page is written with no entries.
    EXPECT_EQ(ReadU16(At(bytes, pages[1] + 1)), 0);
    EXPECT_EQ(ReadU32(At(bytes, pages[1] + 7)), pages[0]);
    EXPECT_EQ(std::count(bytes.begin() + pages[1] + 13, bytes.begin() + pages[1] + 4096, '\0'), 4083);
    EXPECT_NE(ReadU16(At(bytes, pages[2] + 1)), 0);
    Reopen();
    // Taking a page moves the chain head to its next link; an empty chain appends.
    EXPECT_EQ(file_.NewPage(slot_)->Offset(), pages[1]);
    EXPECT_EQ(file_.Descriptor(slot_).FreePageHead, pages[0]);
    EXPECT_EQ(file_.NewPage(slot_)->Offset(), pages[0]);
    EXPECT_EQ(file_.Descriptor(slot_).FreePageHead, 0u);
    EXPECT_EQ(file_.NewPage(slot_)->Offset(), pages[2] + 4096);
}

TEST_F(IndexFileTest, AFreeChainThatLeadsBackToItselfOrIntoAPageInUseIsCorrupt) {
    const std::vector<uint32_t> pages = MakePages(2);
    {
        TPageRef page = file_.ReadPage(slot_, pages[0]);
        file_.FreePage(*page);
    }
    file_.Flush();
    file_.Close();
    Patch(pages[0] + 7, U32(pages[0]));
    file_.Open(path_, false);
    ExpectKarteiError([&] { file_.NewPage(slot_); }, 8965, kCorrupt);
    file_.Close();
    // The head names a page that still has entries.
    Patch(14 + 120 * slot_ + 90, U32(pages[1]));
    file_.Open(path_, false);
    ExpectKarteiError([&] { file_.NewPage(slot_); }, 8965, kCorrupt);
}

TEST_F(IndexFileTest, SharedPagesLetTheIndexInUseKeepWhatTheOthersLeave) {
    const std::vector<uint32_t> pages = MakePages(20);
    // Pages of the deleted-record index too, so that the file has two indexes with pages.
    std::vector<uint32_t> deleted;
    for (int k = 0; k < 4; ++k) {
        TPageRef page = file_.NewPage(kDeletedIndexSlot);
        page->SetType(TPageType::Leaf);
        page->AppendEntry(IntKey(k).data(), static_cast<uint32_t>(k), 1);
        deleted.push_back(page->Offset());
    }
    file_.SetRoot(slot_, pages[0]);
    file_.SetRoot(kDeletedIndexSlot, deleted[0]);
    file_.Flush();
    Reopen();
    file_.SetPagesPerIndex(5, true);
    for (const uint32_t offset : deleted) {
        file_.ReadPage(kDeletedIndexSlot, offset);
    }
    // Ten pages for two indexes: the index in use takes the room the other leaves, and the pages of both
    // leave in the order they were last used.
    for (int k = 0; k < 8; ++k) {
        file_.ReadPage(slot_, pages[k]);
    }
    EXPECT_EQ(file_.Cache(kDeletedIndexSlot).Size(), 2u);
    EXPECT_EQ(file_.Cache(slot_).Size(), 8u);
    file_.ReadPage(kDeletedIndexSlot, deleted[2]);  // now the most recently used
    for (int k = 8; k < 16; ++k) {
        file_.ReadPage(slot_, pages[k]);
    }
    EXPECT_EQ(file_.Cache(slot_).Size(), 9u);
    EXPECT_EQ(file_.Cache(kDeletedIndexSlot).Size(), 1u);
    EXPECT_FALSE(Cached(pages[6]));
    EXPECT_TRUE(Cached(pages[7]));
    // Each index to its own budget again: a flush trims the index in use back to five pages.
    file_.SetPagesPerIndex(5, false);
    file_.Flush();
    EXPECT_EQ(file_.Cache(slot_).Size(), 5u);
    EXPECT_TRUE(Cached(pages[15]));
    EXPECT_FALSE(Cached(pages[10]));
}

TEST_F(IndexFileTest, TheCacheKeepsFifteenPagesAndReusesTheLeastRecentlyUsed) {
    const std::vector<uint32_t> pages = MakePages(20);
    testing::TCountingFileSystem os;
    TScopedOsFileSystem scope(os);
    for (int k = 0; k < 15; ++k) {
        file_.ReadPage(slot_, pages[k]);
    }
    EXPECT_EQ(file_.Cache(slot_).Size(), 15u);
    file_.ReadPage(slot_, pages[0]);  // now the most recently used
    const size_t reads = os.ReadsAsked.size();
    file_.ReadPage(slot_, pages[15]);
    EXPECT_EQ(file_.Cache(slot_).Size(), 15u);
    EXPECT_TRUE(Cached(pages[0]));
    EXPECT_FALSE(Cached(pages[1]));
    // A page comes in whole with one read, after a look at the change counter.
    ASSERT_EQ(os.ReadsAsked.size(), reads + 2);
    EXPECT_EQ(os.ReadsAsked[reads], 4u);
    EXPECT_EQ(os.ReadsAsked[reads + 1], 4096u);
    // A cached page costs no read.
    file_.ReadPage(slot_, pages[7]);
    EXPECT_EQ(os.ReadsAsked.size(), reads + 2);
}

TEST_F(IndexFileTest, PinnedPagesStayAndACacheOfPinnedPagesCannotSupplyAnother) {
    const std::vector<uint32_t> pages = MakePages(16);
    std::vector<TPageRef> pinned;
    for (int k = 0; k < 15; ++k) {
        pinned.push_back(file_.ReadPage(slot_, pages[k]));
    }
    ExpectKarteiError([&] { file_.ReadPage(slot_, pages[15]); }, 8965, kCorrupt);
    EXPECT_EQ(pinned[0]->Offset(), pages[0]);
    EXPECT_EQ(pinned[0]->PinCount(), 1);
    pinned[3].Release();
    EXPECT_EQ(file_.ReadPage(slot_, pages[15])->Offset(), pages[15]);
    EXPECT_FALSE(Cached(pages[3]));
}

TEST_F(IndexFileTest, AFullCacheOfChangedPagesIsWrittenBackOrGrowsInATransaction) {
    testing::TCountingFileSystem os;
    TScopedOsFileSystem scope(os);
    file_.Context().InTransaction = true;
    for (int k = 0; k < 20; ++k) {
        file_.NewPage(slot_);
    }
    EXPECT_EQ(file_.Cache(slot_).Size(), 20u);
    EXPECT_EQ(file_.Cache(slot_).Capacity(), 15u + 64u);
    file_.Flush();
    EXPECT_TRUE(os.Writes.empty());
    file_.Context().InTransaction = false;
    file_.Flush();
    // Twenty consecutive pages in one write, then the header.
    EXPECT_EQ(os.Writes, (std::vector<size_t>{20 * 4096, 4096}));
    EXPECT_EQ(file_.Cache(slot_).Size(), 15u);
    EXPECT_EQ(file_.Cache(slot_).Capacity(), 15u);
    // Outside a transaction a cache full of changed pages writes them back to make room.
    os.Writes.clear();
    for (int k = 0; k < 16; ++k) {
        file_.NewPage(slot_);
    }
    EXPECT_EQ(os.Writes, (std::vector<size_t>{15 * 4096}));
    EXPECT_EQ(file_.Cache(slot_).Size(), 15u);
}

TEST_F(IndexFileTest, ChangedPagesAreWrittenInRunsOfConsecutiveOffsets) {
    const std::vector<uint32_t> pages = MakePages(5);
    for (const int k : {4, 0, 2, 1}) {
        TPageRef page = file_.ReadPage(slot_, pages[k]);
        page->SetSubtreeCount(1, 1);
        file_.MarkDirty(*page);
    }
    testing::TCountingFileSystem os;
    TScopedOsFileSystem scope(os);
    file_.Flush();
    EXPECT_EQ(os.Writes, (std::vector<size_t>{3 * 4096, 4096, 4096}));
}

TEST_F(IndexFileTest, APageBeyondItsCapacityStopsTheWriteBackBeforeAnythingIsWritten) {
    const std::vector<uint32_t> pages = MakePages(3);
    {
        TPageRef first = file_.ReadPage(slot_, pages[0]);
        first->SetSubtreeCount(1, 1);
        file_.MarkDirty(*first);
        // The last page takes one entry more than 4083 bytes hold.
        TPageRef last = file_.ReadPage(slot_, pages[2]);
        for (int k = 1; k <= LeafCapacity(5); ++k) {
            last->AppendEntry(IntKey(1000 + k).data(), static_cast<uint32_t>(k), 1);
        }
        file_.MarkDirty(*last);
    }
    const std::string before = Bytes();
    ExpectKarteiError([&] { file_.CheckPagesFit(); }, 8965, kCorrupt);
    ExpectKarteiError([&] { file_.Flush(); }, 8965, kCorrupt);
    EXPECT_EQ(Bytes(), before);
}

TEST_F(IndexFileTest, TheSessionCanAskForTheSystemBuffersToBeFlushed) {
    testing::TCountingFileSystem os;
    TScopedOsFileSystem scope(os);
    os.FlushFailure = EIO;
    file_.SetRecordCount(1);
    file_.Flush();  // no system flush asked for
    file_.Context().ForceBufferFlush = true;
    file_.SetRecordCount(2);
    try {
        file_.Flush();
        ADD_FAILURE() << "the system flush was not made";
    } catch (const EKarteiEngineError& error) {
        EXPECT_EQ(error.ErrorCode(), 9218);
    }
}

TEST_F(IndexFileTest, AnotherUsersChangeIsSeenThroughTheChangeCounter) {
    const std::vector<uint32_t> pages = MakePages(3);
    file_.Close();
    TIndexFile writer;
    writer.Open(path_, false);
    file_.Open(path_, false);
    file_.ReadPage(slot_, pages[0]);
    EXPECT_FALSE(file_.ReloadHeader());
    {
        TPageRef page = writer.ReadPage(slot_, pages[2]);
        page->SetNextPage(pages[1]);
        writer.MarkDirty(*page);
        writer.SetRecordCount(5);
    }
    writer.Flush();
    // A page read from disk first looks at the counter: the caller must start again.
    EXPECT_FALSE(file_.ReadPage(slot_, pages[1]));
    EXPECT_EQ(file_.Generation(), 1u);
    EXPECT_EQ(file_.RecordCount(), 5);
    EXPECT_EQ(file_.Cache(slot_).Size(), 0u);
    EXPECT_EQ(file_.ReadPage(slot_, pages[2])->NextPage(), pages[1]);
    writer.SetRecordCount(6);
    writer.Flush();
    EXPECT_TRUE(file_.ReloadHeader());
    EXPECT_EQ(file_.Generation(), 2u);
    EXPECT_EQ(file_.RecordCount(), 6);
    // Held exclusively, the file cannot change underneath: no look at the counter.
    file_.Context().Exclusive = true;
    writer.SetRecordCount(7);
    writer.Flush();
    EXPECT_TRUE(file_.ReadPage(slot_, pages[0]));
    EXPECT_EQ(file_.RecordCount(), 6);
}

TEST_F(IndexFileTest, DiscardedChangesLeaveTheFileAsItWas) {
    const std::vector<uint32_t> pages = MakePages(1);
    {
        TPageRef page = file_.ReadPage(slot_, pages[0]);
        page->RemoveEntry(1);
        file_.MarkDirty(*page);
        file_.SetRecordCount(9);
    }
    file_.DiscardChanges();
    EXPECT_EQ(file_.RecordCount(), 0);
    EXPECT_EQ(file_.ReadPage(slot_, pages[0])->Count(), 1);
    EXPECT_EQ(file_.Generation(), 1u);
}

TEST_F(IndexFileTest, AnEncryptedFileScramblesHeaderAndPages) {
    file_.Close();
    file_.Context().Encrypted = true;
    file_.Create(path_);
    slot_ = AddSecondaryIndex(file_, Definition("Num", {{2}}, true), fields_);
    const std::vector<uint32_t> pages = MakePages(1);
    std::string bytes = Bytes();
    ASSERT_EQ(bytes.size(), 8192u);
    EXPECT_NE(bytes[8], 4);
    EXPECT_EQ(bytes.substr(14 + 120, 4).find("Num"), std::string::npos);
    std::vector<uint8_t> block(bytes.begin(), bytes.begin() + 4096);
    ScrambleRecordImage(block);
    EXPECT_EQ(block[8], 4);
    EXPECT_EQ(TIndexHeader::Decode(std::span<const uint8_t, 4096>(block.data(), 4096)).Slots[1].Name, "Num");
    std::vector<uint8_t> page(bytes.begin() + 4096, bytes.end());
    ScrambleRecordImage(page);
    EXPECT_EQ(page[0], 2);
    EXPECT_EQ(TBytes(page.begin() + 13, page.begin() + 18), IntKey(0));
    // Read back through the same scrambling.
    EXPECT_EQ(file_.Descriptor(slot_).Name, "Num");
    EXPECT_EQ(TBytes(file_.ReadPage(slot_, pages[0])->Key(1), file_.ReadPage(slot_, pages[0])->Key(1) + 5),
              IntKey(0));
}

}  // namespace
}  // namespace kartei::test
