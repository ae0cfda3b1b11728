// The rollback journal of a commit: what it keeps, what it puts back, and what it makes of a journal that
// a dying process left half written.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "engine/files/FileTestSupport.h"
#include "engine/table/WriteJournal.h"

namespace kartei::testing {
namespace {

class WriteJournalTest : public ::testing::Test {
protected:
    void SetUp() override {
        WriteBytes(temp_.File("a"), "0123456789");
        WriteBytes(temp_.File("b"), "abcdefghijklmnopqrst");
        WriteBytes(temp_.File("c"), "ABC");
        a_.Open(temp_.File("a"), false);
        b_.Open(temp_.File("b"), false);
        c_.Open(temp_.File("c"), false);
    }

    static void Put(TFileHandler& file, int64_t offset, const std::string& bytes) {
        const TFileGuard guard(file);
        file.Seek(offset, TSeekOrigin::Start);
        file.Write(bytes.data(), bytes.size());
    }
    void Change() {
        Put(a_, 2, "XX");
        Put(a_, 1, "YYYY");    // over the first change: the original bytes are the ones kept
        Put(a_, 8, "ZZZZZZ");  // past the end
        Put(b_, 18, "");       // the file ends there
        Put(c_, 3, "DEF");     // only grows
    }
    std::string Journal() const { return temp_.File("a.JNL"); }

    TTempDir temp_;
    TFileHandler a_;
    TFileHandler b_;
    TFileHandler c_;
    TFileHandler* files_[3] = {&a_, &b_, &c_};
};

TEST_F(WriteJournalTest, FinishedChangesStayAndTheJournalGoes) {
    TWriteJournal journal;
    journal.Begin(Journal(), files_, true);
    EXPECT_TRUE(std::filesystem::exists(Journal()));
    Change();
    journal.Finish();
    EXPECT_FALSE(std::filesystem::exists(Journal()));
    EXPECT_EQ(ReadBytes(temp_.File("a")), "0YYYY567ZZZZZZ");
    EXPECT_EQ(ReadBytes(temp_.File("b")), "abcdefghijklmnopqr");
    EXPECT_EQ(ReadBytes(temp_.File("c")), "ABCDEF");
    // Writes after the journal has finished are no longer its business.
    Put(a_, 0, "Q");
    EXPECT_FALSE(std::filesystem::exists(Journal()));
}

TEST_F(WriteJournalTest, ARollBackPutsBackTheOriginalBytesAndSizes) {
    TWriteJournal journal;
    journal.Begin(Journal(), files_, false);
    Change();
    journal.RollBack();
    EXPECT_EQ(ReadBytes(temp_.File("a")), "0123456789");
    EXPECT_EQ(ReadBytes(temp_.File("b")), "abcdefghijklmnopqrst");
    EXPECT_EQ(ReadBytes(temp_.File("c")), "ABC");
    EXPECT_FALSE(std::filesystem::exists(Journal()));
}

TEST_F(WriteJournalTest, AJournalLeftBehindIsReplayedUpToItsLastWholeEntry) {
    {
        TWriteJournal journal;
        journal.Begin(Journal(), files_, false);
        Change();
        // The process dies: nobody finishes or rolls back.
    }
    ASSERT_TRUE(std::filesystem::exists(Journal()));
    const std::string whole = ReadBytes(Journal());
    EXPECT_TRUE(TWriteJournal::Replay(Journal(), files_));
    EXPECT_EQ(ReadBytes(temp_.File("a")), "0123456789");
    EXPECT_EQ(ReadBytes(temp_.File("b")), "abcdefghijklmnopqrst");
    EXPECT_EQ(ReadBytes(temp_.File("c")), "ABC");
    EXPECT_FALSE(std::filesystem::exists(Journal()));
    EXPECT_FALSE(TWriteJournal::Replay(Journal(), files_));

    // Cut inside its last entry (b's last two bytes, which the ending of b would have cost): the process
    // died while writing it, before b was touched, so only the entries before it count.
    Change();
    WriteBytes(temp_.File("b"), "abcdefghijklmnopqrst");
    WriteBytes(Journal(), whole.substr(0, whole.size() - 1));
    EXPECT_TRUE(TWriteJournal::Replay(Journal(), files_));
    EXPECT_EQ(ReadBytes(temp_.File("a")), "0123456789");
    EXPECT_EQ(ReadBytes(temp_.File("b")), "abcdefghijklmnopqrst");

    // A journal whose header is not whole protects nothing yet: it is only deleted.
    Change();
    WriteBytes(Journal(), whole.substr(0, 20));
    EXPECT_TRUE(TWriteJournal::Replay(Journal(), files_));
    EXPECT_FALSE(std::filesystem::exists(Journal()));
    EXPECT_EQ(ReadBytes(temp_.File("a")), "0YYYY567ZZZZZZ");
}

}  // namespace
}  // namespace kartei::testing
