// Writing back: runs of dirty records, the header and descriptor writes, flushing, transactions,
// encrypted tables, emptying, and the header counters.
#include <gtest/gtest.h>

#include <cmath>

#include "DataFileTestSupport.h"
#include "base/DateTime.h"

namespace kartei {
namespace {

using namespace kartei::testing;

class DataFileWriteTest : public DataFileTestBase {
protected:
    void Open(int32_t records) {
        table_.Write(path_, records);
        file_.Open(path_, false);
        os_.Writes.clear();
        os_.Truncations.clear();
        os_.Flushes = 0;
    }
    TRecord& Get(int32_t n) { return *file_.Fetch(nullptr, n, TReadDirection::Forward, false, false); }
    void Change(TRecord& record, int32_t cityId) {
        SetIntegerField(record.Image(), table_.Fields[0], cityId);
        record.MarkDirty();
    }
    int32_t CityIdOnDisk(int32_t n) {
        return GetIntegerField(RecordOnDisk(path_, table_.Header, n), table_.Fields[0]);
    }

    TTableFile table_{AreaCodeFields()};
    TFlushCountingFileSystem os_;
    TScopedOsFileSystem scoped_{os_};
    TDataFile file_{context_};
};

TEST_F(DataFileWriteTest, DirtyRecordsGoOutInOneWritePerRunOfConsecutiveNumbers) {
    Open(20);
    file_.Fetch(nullptr, 1, TReadDirection::Forward, true, false);
    for (int32_t n : {3, 4, 5, 9}) {
        TRecord& record = Get(n);
        Change(record, 500 + n);
        file_.Release(record);
    }
    TRecord& pinned = Get(7);  // dirty but held by a cursor: not written
    Change(pinned, 507);
    file_.WriteBack(false);
    EXPECT_EQ(os_.Writes, (std::vector<size_t>{3 * 36, 36}));
    EXPECT_EQ(file_.Statistics().WriteRuns, 2);
    EXPECT_EQ(os_.Flushes, 0);
    EXPECT_TRUE(context_.Written);
    for (int32_t n : {3, 4, 5, 9}) {
        EXPECT_EQ(CityIdOnDisk(n), 500 + n);
        EXPECT_FALSE(file_.PeekCached(n)->Dirty());
    }
    EXPECT_EQ(CityIdOnDisk(7), 7 * 7);
    EXPECT_EQ(CityIdOnDisk(6), 6 * 7);
    EXPECT_TRUE(pinned.Dirty());

    // Nothing dirty, nothing pending: nothing written. Asked to flush, each run is flushed.
    file_.WriteBack(true);
    EXPECT_EQ(os_.Writes.size(), 2u);
    file_.Release(pinned);
    file_.WriteBack(true);
    EXPECT_EQ(os_.Writes.back(), 36u);
    EXPECT_EQ(os_.Flushes, 1);
    EXPECT_EQ(CityIdOnDisk(7), 507);

    // ForceBufferFlush flushes after every run without being asked.
    context_.Force = true;
    for (int32_t n : {11, 13}) {
        TRecord& record = Get(n);
        Change(record, 1);
        file_.Release(record);
    }
    file_.WriteBack(false);
    EXPECT_EQ(os_.Flushes, 3);
    EXPECT_EQ(file_.Statistics().WriteRuns, 5);
}

TEST_F(DataFileWriteTest, TheHeaderIsWrittenWhenPendingOrForcedAndCountsTheChange) {
    Open(20);
    file_.WriteBack(false);
    EXPECT_TRUE(os_.Writes.empty());

    file_.SetLastAutoIncValue(5000);
    EXPECT_TRUE(file_.HeaderPending());
    file_.WriteBack(false);
    EXPECT_EQ(os_.Writes, std::vector<size_t>{127});
    EXPECT_FALSE(file_.HeaderPending());
    TDataHeader onDisk = HeaderOnDisk(path_);
    EXPECT_EQ(onDisk.ChangeCount, 1);
    EXPECT_EQ(onDisk.PendingChanges, 1);
    EXPECT_EQ(onDisk.LastAutoIncValue, 5000);
    EXPECT_EQ(onDisk.EngineVersion, 21100);
    EXPECT_NEAR(onDisk.LastUpdate, CurrentLocalDateTime() - kDayNumberOf18991230, 1.0 / 24);
    EXPECT_EQ(file_.Header().ChangeCount, 1);
    EXPECT_EQ(os_.Flushes, 0);

    // Forced without a change: counted, pending byte 0, flushed when asked.
    file_.WriteBack(true, true);
    onDisk = HeaderOnDisk(path_);
    EXPECT_EQ(onDisk.ChangeCount, 2);
    EXPECT_EQ(onDisk.PendingChanges, 0);
    EXPECT_EQ(os_.Flushes, 1);
    context_.Force = true;
    file_.WriteBack(false, true);
    EXPECT_EQ(os_.Flushes, 2);
    EXPECT_EQ(HeaderOnDisk(path_).ChangeCount, 3);
}

TEST_F(DataFileWriteTest, HeaderCountersMarkTheHeaderPending) {
    Open(20);
    EXPECT_EQ(file_.LastAutoIncValue(), 1020);
    EXPECT_EQ(file_.TakeAutoIncValue(), 1021);
    EXPECT_TRUE(file_.HeaderPending());
    file_.NoteExplicitAutoIncValue(5000);
    EXPECT_EQ(file_.LastAutoIncValue(), 5000);
    file_.NoteExplicitAutoIncValue(17);
    EXPECT_EQ(file_.LastAutoIncValue(), 5001);
    file_.SetLastAutoIncValue(2147483647);
    EXPECT_EQ(file_.TakeAutoIncValue(), 1);
    EXPECT_EQ(file_.NextBlobSequenceNumber(), 1);
    EXPECT_EQ(file_.NextBlobSequenceNumber(), 2);
    file_.WriteBack(false);
    EXPECT_EQ(HeaderOnDisk(path_).LastAutoIncValue, 1);
    EXPECT_EQ(HeaderOnDisk(path_).LastBlobSequence, 2);
}

TEST_F(DataFileWriteTest, UnderATransactionLockWriteBackWritesNothingUntilTheEnd) {
    Open(20);
    context_.InTransaction = true;
    TRecord& record = Get(4);
    Change(record, 44);
    file_.Release(record);
    file_.WriteBack(true, true);
    EXPECT_TRUE(os_.Writes.empty());
    EXPECT_EQ(os_.Flushes, 0);
    EXPECT_EQ(file_.Header().ChangeCount, 1);
    EXPECT_TRUE(file_.HeaderPending());
    // The raised count is the table's own: no change by another process.
    EXPECT_FALSE(file_.CheckForChange());
    EXPECT_TRUE(file_.PeekCached(4)->Dirty());

    context_.InTransaction = false;
    file_.WriteBack(false);
    EXPECT_EQ(os_.Writes, (std::vector<size_t>{36, 127}));
    EXPECT_EQ(CityIdOnDisk(4), 44);
    EXPECT_EQ(HeaderOnDisk(path_).ChangeCount, 2);
    EXPECT_EQ(HeaderOnDisk(path_).PendingChanges, 1);
    EXPECT_FALSE(file_.CheckForChange());
}

TEST_F(DataFileWriteTest, ChangedDescriptorsAreWrittenAsOneBlock) {
    Open(3);
    file_.EditDescriptor(1).DefaultValue = "0000";
    EXPECT_TRUE(file_.DescriptorsChanged());
    file_.WriteBack(false);
    EXPECT_EQ(os_.Writes, std::vector<size_t>{2 * 768});
    EXPECT_FALSE(file_.DescriptorsChanged());
    const std::string bytes = ReadBytes(path_);
    std::vector<uint8_t> area(bytes.begin() + 127, bytes.begin() + 127 + 2 * 768);
    EXPECT_EQ(ReadFieldDescriptors(area, table_.Header, "T.DAT")[1].DefaultValue, "0000");
    file_.WriteBack(false);
    EXPECT_EQ(os_.Writes.size(), 1u);
}

TEST_F(DataFileWriteTest, AnEncryptedTableRoundTripsThroughTheCache) {
    TNewTableOptions options;
    options.Encrypted = true;
    options.Password = "geheim";
    options.Description = "Vorwahlen";
    TTableFile secret(AreaCodeFields(), options);
    secret.Write(path_, 30);
    // On disk the record is scrambled.
    ASSERT_NE(RecordOnDisk(path_, secret.Header, 5), secret.Record(5));
    file_.Open(path_, false);
    EXPECT_EQ(file_.Header().Password, "geheim");
    EXPECT_EQ(file_.Header().Description, "Vorwahlen");
    ASSERT_EQ(file_.Descriptors().size(), 2u);
    EXPECT_EQ(file_.Descriptors()[1].Name, "areacode");

    TRecord& record = *file_.Fetch(nullptr, 5, TReadDirection::Forward, true, false);
    EXPECT_EQ(ImageOf(record), secret.Record(5));
    EXPECT_EQ(ImageOf(*file_.PeekCached(30)), secret.Record(30));
    SetStringField(record.Image(), secret.Fields[1], "0999", 0, 0);
    record.MarkDirty();
    const std::vector<uint8_t> changed = ImageOf(record);
    file_.Release(record);
    file_.EditDescriptor(0).Description = "Ort";
    file_.WriteBack(false);

    std::vector<uint8_t> scrambled = changed;
    ScrambleRecordImage(scrambled);
    EXPECT_EQ(RecordOnDisk(path_, secret.Header, 5), scrambled);
    const std::string bytes = ReadBytes(path_);
    std::vector<uint8_t> area(bytes.begin() + 127, bytes.begin() + 127 + 2 * 768);
    EXPECT_EQ(ReadFieldDescriptors(area, secret.Header, "T.DAT")[0].Description, "Ort");

    TTestContext otherContext;
    TDataFile other(otherContext);
    other.Open(path_, false);
    EXPECT_EQ(FetchCopy(other, 5), changed);
    EXPECT_EQ(FetchCopy(other, 6), secret.Record(6));
    EXPECT_EQ(other.Descriptors()[0].Description, "Ort");
}

// The header of the empty table reaches the file before the file is cut: a failure in between leaves
// records beyond the slots the header counts, which a repair cuts off.
TEST_F(DataFileWriteTest, EmptyingWritesTheEmptyHeaderThenCutsTheFileAtTheDataStart) {
    Open(20);
    file_.Release(Get(3));
    context_.Force = true;
    file_.EmptyTable();
    EXPECT_EQ(os_.Truncations, std::vector<uint64_t>{127 + 2 * 768});
    EXPECT_EQ(ReadBytes(path_).size(), 127u + 2 * 768);
    EXPECT_EQ(os_.Flushes, 2);  // after the header, after the cut
    EXPECT_EQ(file_.CachedRecordCount(), 0u);
    EXPECT_EQ(file_.Header().NextRecordNumber, 1);
    EXPECT_EQ(file_.Header().FreeListHead, 0);
    EXPECT_EQ(file_.Header().LastAutoIncValue, 0);
    EXPECT_FALSE(file_.HeaderPending());
    EXPECT_EQ(HeaderOnDisk(path_).NextRecordNumber, 1);
    EXPECT_TRUE(context_.Written);

    // The record after the last is now record 1.
    TRecord& first = Get(1);
    EXPECT_EQ(ImageOf(first), std::vector<uint8_t>(36, 0));
    file_.Release(first);
    file_.WriteBack(false);
    const TDataHeader onDisk = HeaderOnDisk(path_);
    EXPECT_EQ(onDisk.NextRecordNumber, 2);
    EXPECT_EQ(onDisk.ChangeCount, 2);
}

}  // namespace
}  // namespace kartei
