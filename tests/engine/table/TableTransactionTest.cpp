// Transactions over several records: what a commit writes in which order, and what a transaction leaves
// in memory when it ends.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <optional>

#include "engine/faults/FailingFileSystem.h"
#include "engine/files/LockLayout.h"
#include "engine/table/TableTestSupport.h"

namespace kartei::testing {
namespace {

class TableTransaction : public TableTest {
protected:
    TTableDefinition NotesDefinition() {
        TTableDefinition definition;
        definition.Fields = {TFieldDescriptor::Define("title", FieldType::String, 20),
                             TFieldDescriptor::Define("text", FieldType::Blob, 0, 22)};
        definition.SecondaryIndexes = {TIndexDefinition::Over("title", {1})};
        definition.Options.BlobBlockSize = 64;
        return definition;
    }

    // A folder holding the table "Notes" with three records, each with a blob.
    std::string MakeNotes(const std::string& name) {
        const std::string folder = File(name);
        std::filesystem::create_directories(folder);
        TDataSession session;
        TDataDirectoryImpl& directory = Inside(session.OpenDirectory(folder));
        TTableOpenRequest request;
        request.Name = "Notes";
        TDataTableImpl* table = nullptr;
        EXPECT_EQ(directory.CreateTable(request, NotesDefinition(), table), 0);
        for (int k = 0; k < 3; ++k) {
            const int32_t record = table->InsertRecord(Titled(*table, "note " + std::to_string(k)));
            table->WriteBlob(record, table->Fields()[1], Text(200, static_cast<char>('a' + k)));
        }
        return folder;
    }

    static std::vector<uint8_t> Titled(const TDataTableImpl& table, const std::string& title) {
        std::vector<uint8_t> image = BlankRecord(table);
        SetStringField(image, table.Fields()[0], title, 0, 0);
        return image;
    }

    // One session's open table "Notes" in a folder.
    struct TOpenNotes {
        explicit TOpenNotes(const std::string& folder) : Directory(Inside(Session.OpenDirectory(folder))) {
            TTableOpenRequest request;
            request.Name = "Notes";
            EXPECT_EQ(Directory.OpenTable(request, Table), 0);
        }
        TDataSession Session;
        TDataDirectoryImpl& Directory;
        TDataTableImpl* Table = nullptr;
    };

    // What an open table holds, record by record (title and blob), read as any user reads it.
    static std::vector<std::string> ContentsOf(TDataTableImpl& table) {
        std::vector<std::string> lines;
        const int32_t slots = [&] {
            std::vector<uint8_t> first(table.Header().RecordSize);
            table.ReadRecord(1, first);  // a read looks for other users' changes first
            return table.Header().RecordSlotCount();
        }();
        std::vector<uint8_t> image(table.Header().RecordSize);
        TEngineBuffer blob(64);
        for (int32_t number = 1; number <= slots; ++number) {
            table.ReadRecord(number, image);
            if (RecordStatus(image) == kRecordLive) {
                const size_t length = table.ReadBlob(image, table.Fields()[1], blob);
                lines.push_back(std::string(GetStringField(image, table.Fields()[0])) + ": " +
                                std::string(reinterpret_cast<const char*>(blob.Data()), length));
            }
        }
        return lines;
    }

    // What the table in a folder holds, after checking its files.
    static std::vector<std::string> Contents(const std::string& folder) {
        TOpenNotes notes(folder);
        if (notes.Table == nullptr) {
            return {};
        }
        notes.Table->VerifyFiles();
        ExpectIndexesSound(*notes.Table);
        return ContentsOf(*notes.Table);
    }

    static std::vector<uint8_t> Text(size_t length, char fill) {
        return std::vector<uint8_t>(length, static_cast<uint8_t>(fill));
    }
};

TEST_F(TableTransaction, CachesGrownByATransactionShrinkBackWhenItEnds) {
    for (const bool commit : {true, false}) {
        SCOPED_TRACE(commit ? "commit" : "rollback");
        TDataTableImpl* table = Create(commit ? "Codes" : "Other", AreaCodeDefinition(0, 0));
        const int32_t capacity = table->DataFile().CacheCapacity();
        directory_->StartTransaction();
        for (int32_t k = 0; k < 2 * capacity; ++k) {
            table->InsertRecord(PairRecord(*table, k, "0" + std::to_string(k)));
        }
        EXPECT_GT(table->DataFile().CacheCapacity(), capacity);
        directory_->EndTransaction(commit);
        EXPECT_EQ(table->DataFile().CacheCapacity(), capacity);
        EXPECT_LE(table->DataFile().RecordBufferCount(), static_cast<size_t>(capacity));
        EXPECT_EQ(table->RecordCount(), commit ? 2 * capacity : 0);
        Close(table);
    }

    TDataTableImpl* notes = Create("Notes", NotesDefinition());
    const int32_t blocks = notes->BlobFile()->Cache().Capacity();
    directory_->StartTransaction();
    const int32_t record = notes->InsertRecord(BlankRecord(*notes));
    notes->WriteBlob(record, notes->Fields()[1], Text(static_cast<size_t>(3 * blocks) * 46, 'x'));
    EXPECT_GT(notes->BlobFile()->Cache().Capacity(), blocks);
    directory_->EndTransaction(true);
    EXPECT_EQ(notes->BlobFile()->Cache().Capacity(), blocks);
    EXPECT_LE(notes->BlobFile()->Cache().BlockBufferCount(), static_cast<size_t>(blocks));
}

// The chains of blobs a transaction replaced or deleted are freed (their blocks rewritten) only after the
// records that named them are on disk: whichever write of the commit is the last to reach the disk, every
// record the files hold has readable blobs.
TEST_F(TableTransaction, ACommitFreesReplacedBlobChainsOnlyAfterTheRecordsAreWritten) {
    const std::string clean = MakeNotes("clean");
    for (int64_t failAt = 1;; ++failAt) {
        SCOPED_TRACE("write " + std::to_string(failAt));
        const std::string folder = File("run");
        std::filesystem::remove_all(folder);
        std::filesystem::copy(clean, folder);
        // From that write on the disk is gone, as in a crash: nothing more reaches it.
        TFailingFileSystem disk(TFaultKind::Write, failAt, true);
        {
            const TScopedOsFileSystem scoped(disk);
            TOpenNotes notes(folder);
            try {
                notes.Directory.StartTransaction();
                notes.Table->WriteBlob(1, notes.Table->Fields()[1], Text(100, 'n'));
                notes.Table->DeleteRecord(2);
                notes.Table->WriteBlob(3, notes.Table->Fields()[1], Text(300, 'm'));
                notes.Directory.EndTransaction(true);
            } catch (const EKarteiEngineError&) {
                EXPECT_TRUE(disk.Failed());
            }
        }
        TOpenNotes notes(folder);
        EXPECT_NO_THROW(ContentsOf(*notes.Table));
        if (!disk.Failed()) {
            break;
        }
    }
}

// A commit writes records, index pages and blob blocks of many changes: whichever of its writes fails,
// and whether the disk then comes back (the failure is put right at once) or not (as if the process died:
// the next user puts it right, be it one that opens the table or one that had it open all along), the
// table shows the whole transaction or none of it.
// Nothing of a transaction reaches the files before the commit: another process's reader waits for no change
// of it after the first (which looks for other users' changes under the write lock), only for the commit.
TEST_F(TableTransaction, AnotherUsersReaderHoldsUpOnlyTheCommit) {
    const std::string folder = MakeNotes("notes");
    const std::vector<std::string> before = Contents(folder);
    {
        TOpenNotes writer(folder);
        TDataTableImpl& table = *writer.Table;
        writer.Directory.StartTransaction();
        table.InsertRecord(Titled(table, "first"));
        const int reader = open(File("notes/Notes.IDX").c_str(), O_RDWR | O_CLOEXEC);
        ASSERT_TRUE(HoldLock(reader, LockLayout::ReadLockOffset(77), LockLayout::ReadLockLength));
        TCountingFileSystem os;
        {
            const TScopedOsFileSystem scoped(os);
            for (int k = 0; k < 20; ++k) {
                table.InsertRecord(Titled(table, "new " + std::to_string(k)));
            }
            table.ModifyRecord(1, Titled(table, "renamed"));
            table.WriteBlob(1, table.Fields()[1], Text(100, 'n'));
            table.DeleteRecord(2);
            EXPECT_TRUE(os.Sleeps.empty());
            EXPECT_EQ(Raised([&] { writer.Directory.EndTransaction(true); }).Code, 10249);
            EXPECT_EQ(os.Sleeps.size(), LockLayout::FileLockRetries);
        }
        close(reader);
        EXPECT_EQ(ContentsOf(table), before);
    }
    EXPECT_EQ(Contents(folder), before);
}

TEST_F(TableTransaction, ACommitThatFailsHalfwayLeavesTheTableAsBefore) {
    const std::string clean = MakeNotes("clean");
    const std::vector<std::string> before = Contents(clean);
    const auto transaction = [](TDataTableImpl& table, TDataDirectoryImpl& directory) {
        directory.StartTransaction();
        for (int k = 0; k < 40; ++k) {
            table.InsertRecord(Titled(table, "new " + std::to_string(k)));
        }
        table.ModifyRecord(1, Titled(table, "renamed"));
        table.WriteBlob(1, table.Fields()[1], Text(100, 'n'));
        table.DeleteRecord(2);
        table.WriteBlob(3, table.Fields()[1], Text(300, 'm'));
        directory.EndTransaction(true);
    };
    const auto run = [&](const std::string& folder, TOsFileSystem& disk) {
        const TScopedOsFileSystem scoped(disk);
        TOpenNotes writer(folder);
        try {
            transaction(*writer.Table, writer.Directory);
        } catch (const EKarteiEngineError&) {
        }
    };
    const auto copyClean = [&](const std::string& folder) {
        std::filesystem::remove_all(folder);
        std::filesystem::copy(clean, folder);
    };
    TFailingFileSystem counting(TFaultKind::Write, 0);
    copyClean(File("whole"));
    run(File("whole"), counting);
    const std::vector<std::string> after = Contents(File("whole"));
    ASSERT_NE(after, before);
    for (const bool sticky : {false, true}) {
        for (int64_t failAt = 1; failAt <= counting.Calls(); ++failAt) {
            SCOPED_TRACE((sticky ? "every write from " : "write ") + std::to_string(failAt));
            TFailingFileSystem disk(TFaultKind::Write, failAt, sticky);
            copyClean(File("run"));
            std::optional<TOpenNotes> reader;
            reader.emplace(File("run"));
            ASSERT_EQ(ContentsOf(*reader->Table), before);
            run(File("run"), disk);
            EXPECT_EQ(disk.OpenHandles(), 0u);
            const std::vector<std::string> seen = ContentsOf(*reader->Table);
            EXPECT_TRUE(seen == before || seen == after);
            reader.reset();
            EXPECT_EQ(Contents(File("run")), seen);
            EXPECT_FALSE(std::filesystem::exists(File("run/Notes.JNL")));
        }
    }
}

}  // namespace
}  // namespace kartei::testing
