// Changes by other writers, seen through the header's change count.
#include <gtest/gtest.h>

#include "DataFileTestSupport.h"

namespace kartei {
namespace {

using namespace kartei::testing;

class DataFileChangeTest : public DataFileTestBase {
protected:
    void SetUp() override {
        table_.Write(path_, 20);
        file_.Open(path_, false);
        file_.Release(*file_.Fetch(nullptr, 1, TReadDirection::Forward, true, false));
        ASSERT_EQ(file_.CachedRecordCount(), 20u);
    }
    // Another writer changes record 2's city_id and writes the record and its header.
    static void WriteElsewhere(const std::string& path, const TTableFile& table, int32_t cityId) {
        TTestContext context;
        TDataFile writer(context);
        writer.Open(path, false);
        TRecord& record = *writer.Fetch(nullptr, 2, TReadDirection::Forward, false, false);
        SetIntegerField(record.Image(), table.Fields[0], cityId);
        record.MarkDirty();
        writer.Release(record);
        writer.SetLastAutoIncValue(7777);
        writer.WriteBack(true);
    }
    // What the table does when the check reports a change.
    bool CheckAsTheTableDoes() {
        const bool changed = file_.CheckForChange();
        if (changed) {
            file_.DiscardCache();
        }
        return changed;
    }

    TTableFile table_{AreaCodeFields()};
    TDataFile file_{context_};
};

TEST_F(DataFileChangeTest, AnotherWriterInThisProcessIsNoticedAndTheCacheEmptied) {
    EXPECT_FALSE(CheckAsTheTableDoes());
    WriteElsewhere(path_, table_, 4242);
    EXPECT_EQ(GetIntegerField(file_.PeekCached(2)->Image(), table_.Fields[0]), 14);  // stale copy

    EXPECT_TRUE(CheckAsTheTableDoes());
    EXPECT_EQ(file_.CachedRecordCount(), 0u);
    EXPECT_EQ(file_.Header().ChangeCount, 1);
    EXPECT_EQ(file_.Header().LastAutoIncValue, 7777);
    EXPECT_EQ(GetIntegerField(FetchCopy(file_, 2), table_.Fields[0]), 4242);
    EXPECT_FALSE(CheckAsTheTableDoes());
    EXPECT_EQ(file_.CachedRecordCount(), 1u);
}

TEST_F(DataFileChangeTest, AnotherProcessIsNoticedTheSameWay) {
    const std::string path = path_;
    const TTableFile& table = table_;
    TChildProcess child([&](TChildProcess&) {
        WriteElsewhere(path, table, 99);
        return 0;
    });
    ASSERT_TRUE(child.Started());
    ASSERT_EQ(child.Join(), 0);
    EXPECT_TRUE(CheckAsTheTableDoes());
    EXPECT_EQ(GetIntegerField(FetchCopy(file_, 2), table_.Fields[0]), 99);
}

TEST_F(DataFileChangeTest, ItsOwnWritesAreNoChange) {
    file_.SetLastAutoIncValue(5);
    file_.WriteBack(false);
    EXPECT_FALSE(CheckAsTheTableDoes());
    file_.WriteBack(false, true);
    EXPECT_FALSE(CheckAsTheTableDoes());
    EXPECT_EQ(file_.CachedRecordCount(), 20u);
}

TEST_F(DataFileChangeTest, RereadingTakesTheFilesHeaderAsItIs) {
    file_.SetLastAutoIncValue(123456);
    WriteElsewhere(path_, table_, 1);
    file_.RereadHeader();
    EXPECT_EQ(file_.Header().LastAutoIncValue, 7777);
    EXPECT_FALSE(file_.HeaderPending());
    EXPECT_FALSE(file_.CheckForChange());
}

}  // namespace
}  // namespace kartei
