#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <unicode/uloc.h>

#include <filesystem>

#include "engine/table/DirectoryPath.h"
#include "engine/table/TableTestSupport.h"

namespace kartei::testing {
namespace {

// Runs a test inside the scratch folder and goes back afterwards.
class TWorkingDirectory {
public:
    explicit TWorkingDirectory(const std::string& path) : previous_(std::filesystem::current_path()) {
        std::filesystem::current_path(path);
    }
    ~TWorkingDirectory() { std::filesystem::current_path(previous_); }
    TWorkingDirectory(const TWorkingDirectory&) = delete;
    TWorkingDirectory& operator=(const TWorkingDirectory&) = delete;

private:
    std::filesystem::path previous_;
};

TEST(DataSession, StartsWithTheDocumentedSettings) {
    const TDataSession session;
    EXPECT_FALSE(session.ForceBufferFlush());
    EXPECT_FALSE(session.StrictChangeDetection());
    EXPECT_EQ(session.LockRetryCount(), 15u);
    EXPECT_EQ(session.LockWaitTime(), 100u);
    EXPECT_EQ(session.SortId(), 0);
    EXPECT_TRUE(session.PrivateDirectory().empty());
    EXPECT_EQ(session.CurrentDirectory(), std::filesystem::current_path().string() + "/");
}

TEST(DataSession, TakesTheLanguageOfTheProcessLocale) {
    const std::string previous = uloc_getDefault();
    UErrorCode status = U_ZERO_ERROR;
    uloc_setDefault("de_DE", &status);
    const TDataSession german;
    uloc_setDefault("en_GB", &status);
    const TDataSession british;
    uloc_setDefault(previous.c_str(), &status);
    ASSERT_TRUE(U_SUCCESS(status));
    EXPECT_EQ(german.LanguageId(), 0x0407);
    EXPECT_EQ(british.LanguageId(), 0x0809);
}

TEST(DataSession, KeepsEachPasswordOnceAndComparesExactly) {
    TDataSession session;
    session.AddPassword("Geheim");
    session.AddPassword("Geheim");
    session.AddPassword("");
    session.AddPassword("geheim");
    EXPECT_EQ(session.Passwords(), (std::vector<std::string>{"Geheim", "geheim"}));
    EXPECT_TRUE(session.HasPassword("Geheim"));
    EXPECT_FALSE(session.HasPassword("GEHEIM"));
    session.RemovePassword("Geheim");
    session.RemovePassword("unknown");
    EXPECT_EQ(session.Passwords(), std::vector<std::string>{"geheim"});
    session.AddPassword(std::string(300, 'x'));
    EXPECT_TRUE(session.HasPassword(std::string(255, 'x')));
    session.RemoveAllPasswords();
    EXPECT_TRUE(session.Passwords().empty());
}

TEST(DataSession, PasswordCallbackAnswersWhetherSomethingWasEntered) {
    TDataSession session;
    EXPECT_FALSE(session.AskForPassword());
    int calls = 0;
    session.SetPasswordCallback([&] { return ++calls == 1; });
    EXPECT_TRUE(session.AskForPassword());
    EXPECT_FALSE(session.AskForPassword());
    EXPECT_EQ(calls, 2);
}

TEST(DataSession, PrivateDirectoryIsTrimmedWithSeparator) {
    TDataSession session;
    session.SetPrivateDirectory("  /tmp/work  ");
    EXPECT_EQ(session.PrivateDirectory(), "/tmp/work/");
    session.SetPrivateDirectory("   ");
    EXPECT_TRUE(session.PrivateDirectory().empty());
}

TEST(DirectoryPath, TurnsBackslashesIntoSeparatorsAndKeepsRelativePaths) {
    EXPECT_EQ(NormalizeDirectoryPath(".\\db", "/home/x/"), "./db/");
    EXPECT_EQ(NormalizeDirectoryPath(" ./db/ ", "/home/x/"), "./db/");
    EXPECT_EQ(NormalizeDirectoryPath("", "/home/x/"), "/home/x/");
    EXPECT_TRUE(IsMemoryDirectory(" memory "));
    EXPECT_FALSE(IsMemoryDirectory("MEMORY2"));
}

TEST(DirectoryPath, IdentityIsTheCanonicalPathWhenTheDirectoryExists) {
    const TTempDir temp;
    ASSERT_EQ(mkdir(temp.File("db").c_str(), 0700), 0);
    const std::string canonical = std::filesystem::canonical(temp.File("db")).string();
    EXPECT_EQ(DirectoryIdentity(temp.Path() + "/./db/"), canonical);
    EXPECT_EQ(DirectoryIdentity(temp.Path() + "/missing/"), temp.Path() + "/missing/");
}

TEST(DataSession, OpeningDotBackslashDbTwiceSharesOneDirectory) {
    const TTempDir temp;
    ASSERT_EQ(mkdir(temp.File("db").c_str(), 0700), 0);
    const TWorkingDirectory inTemp(temp.Path());
    TDataSession session;
    TDataDirectoryImpl& first = Inside(session.OpenDirectory(".\\db"));
    TDataDirectoryImpl& second = Inside(session.OpenDirectory(".\\db"));
    EXPECT_EQ(&first, &second);
    EXPECT_EQ(first.ReferenceCount(), 2);
    EXPECT_EQ(first.Path(), "./db/");
    EXPECT_EQ(first.Directory(), ".\\db");
    // Another spelling of the same directory is the same directory too.
    EXPECT_EQ(&session.OpenDirectory(temp.Path() + "/db"), &first);
    EXPECT_EQ(session.DirectoryCount(), 1u);

    EXPECT_EQ(session.CloseDirectory(&first), 0);
    EXPECT_EQ(session.CloseDirectory(&first), 0);
    EXPECT_EQ(session.DirectoryCount(), 1u);
    EXPECT_EQ(session.CloseDirectory(&first), 0);
    EXPECT_EQ(session.DirectoryCount(), 0u);
    EXPECT_EQ(session.CloseDirectory(&first), -11013);
}

TEST(DataSession, EmptyDirectoryIsTheCurrentDirectory) {
    const TTempDir temp;
    const TWorkingDirectory inTemp(temp.Path());
    TDataSession session;
    TDataDirectoryImpl& directory = Inside(session.OpenDirectory("  "));
    EXPECT_EQ(directory.Path(), session.CurrentDirectory());
    EXPECT_EQ(&session.OpenDirectory(temp.Path()), &directory);
}

TEST(DataSession, DirectoriesThatDifferInLetterCaseStayApart) {
    const TTempDir temp;
    ASSERT_EQ(mkdir(temp.File("db").c_str(), 0700), 0);
    ASSERT_EQ(mkdir(temp.File("DB").c_str(), 0700), 0);
    TDataSession session;
    EXPECT_NE(&session.OpenDirectory(temp.File("db")), &session.OpenDirectory(temp.File("DB")));
}

TEST(DataSession, MemoryIsTheInMemoryDatabase) {
    TDataSession session;
    TDataDirectoryImpl& memory = Inside(session.OpenDirectory("Memory"));
    EXPECT_TRUE(memory.InMemory());
    EXPECT_TRUE(memory.Path().empty());
    EXPECT_EQ(&session.OpenDirectory("MEMORY"), &memory);
    EXPECT_EQ(memory.ReferenceCount(), 2);
}

TEST(DataSession, ClosingAnUnknownDirectoryFails) {
    TDataSession session;
    TDataSession other;
    EXPECT_EQ(session.CloseDirectory(&other.OpenDirectory("MEMORY")), -11013);
    EXPECT_EQ(session.CloseDirectory(nullptr), -11013);
}

}  // namespace
}  // namespace kartei::testing
