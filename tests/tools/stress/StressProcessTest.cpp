#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "engine/cursor/DataCursor.h"
#include "engine/format/RecordLayout.h"
#include "engine/os/OsFileSystem.h"
#include "engine/os/PosixFileSystem.h"
#include "engine/table/DataDirectory.h"
#include "engine/table/DataTable.h"
#include "kartei/Errors.h"
#include "kartei/Field.h"
#include "kartei/Record.h"
#include "kartei/Session.h"
#include "tools/TableCheck.h"
#include "tools/ToolTestSupport.h"

namespace kartei::tools::testing {
namespace {

// Several processes on one table: writers insert, change and delete records of their own and log every
// completed change; readers walk, range and search all the while and check that every record they see is
// whole. At the end the table must check sound and hold exactly what the logs say.
// KARTEI_STRESS_SECONDS sets the duration (a few seconds by default).
constexpr const char* kRoleVariable = "KARTEI_STRESS_ROLE";
constexpr const char* kFolderVariable = "KARTEI_STRESS_FOLDER";
constexpr const char* kUntilVariable = "KARTEI_STRESS_UNTIL";
constexpr int kWriters = 3;
constexpr int kReaders = 2;

using TClock = std::chrono::steady_clock;

// key, version, name (made of both), and a check sum over all three: a record torn between two writes
// cannot pass.
TTableDefinition StressDefinition() {
    TTableDefinition definition;
    definition.Fields = {TFieldDescriptor::Define("key", FieldType::Integer),
                         TFieldDescriptor::Define("version", FieldType::Integer),
                         TFieldDescriptor::Define("name", FieldType::String, 30),
                         TFieldDescriptor::Define("check", FieldType::Integer)};
    definition.PrimaryIndex.Fields = {TIndexField{1, false}};
    definition.SecondaryIndexes = {TIndexDefinition::Over("name", {3}, true),
                                   TIndexDefinition::Over("version", {2}, false)};
    return definition;
}

std::string NameOf(int32_t key, int32_t version) {
    return "r" + std::to_string(key) + "v" + std::to_string(version);
}

int32_t CheckOf(int32_t key, int32_t version) {
    uint32_t sum = 2166136261u;
    for (const char c : NameOf(key, version)) {
        sum = (sum ^ static_cast<uint8_t>(c)) * 16777619u;
    }
    return static_cast<int32_t>(sum ^ static_cast<uint32_t>(key));
}

std::vector<uint8_t> Image(const TDataTableImpl& table, int32_t key, int32_t version) {
    std::vector<uint8_t> image(table.Header().RecordSize, 0);
    SetIntegerField(image, table.Fields()[0], key);
    SetIntegerField(image, table.Fields()[1], version);
    SetStringField(image, table.Fields()[2], NameOf(key, version), 0, 0);
    SetIntegerField(image, table.Fields()[3], CheckOf(key, version));
    return image;
}

// Whether a record image is one a writer stored whole.
bool Whole(const TDataTableImpl& table, std::span<const uint8_t> image) {
    const int32_t key = GetIntegerField(image, table.Fields()[0]);
    const int32_t version = GetIntegerField(image, table.Fields()[1]);
    return GetStringField(image, table.Fields()[2]) == NameOf(key, version) &&
           GetIntegerField(image, table.Fields()[3]) == CheckOf(key, version);
}

// The real system, counting the waits between lock attempts.
class TRetryCounter : public TOsFileSystem {
public:
    int Open(const std::string& p, TOsOpenMode m, TOsAccess a, TOsHandle& h) override {
        return real_.Open(p, m, a, h);
    }
    int Close(TOsHandle h) override { return real_.Close(h); }
    int ReadAt(TOsHandle h, void* b, size_t c, uint64_t o, size_t& d) override {
        return real_.ReadAt(h, b, c, o, d);
    }
    int WriteAt(TOsHandle h, const void* b, size_t c, uint64_t o, size_t& d) override {
        return real_.WriteAt(h, b, c, o, d);
    }
    int Truncate(TOsHandle h, uint64_t s) override { return real_.Truncate(h, s); }
    int Flush(TOsHandle h) override { return real_.Flush(h); }
    int Size(TOsHandle h, uint64_t& s) override { return real_.Size(h, s); }
    int LockRange(TOsHandle h, uint64_t o, uint64_t l, TOsLockKind k) override {
        return real_.LockRange(h, o, l, k);
    }
    int UnlockRange(TOsHandle h, uint64_t o, uint64_t l) override { return real_.UnlockRange(h, o, l); }
    int Attributes(const std::string& p, TOsFileAttributes& a) override { return real_.Attributes(p, a); }
    int Unlink(const std::string& p) override { return real_.Unlink(p); }
    int Rename(const std::string& f, const std::string& t) override { return real_.Rename(f, t); }
    void SleepMs(uint32_t ms) override {
        ++Retries;
        real_.SleepMs(ms);
    }
    int64_t Retries = 0;

private:
    TOsFileSystem& real_ = PosixFileSystem();
};

struct TFigures {
    int64_t Operations = 0;
    int64_t Failures = 0;
    int64_t Retries = 0;
    double Seconds = 0;
};

void WriteFigures(const std::string& path, const TFigures& figures) {
    std::ofstream(path) << figures.Operations << ' ' << figures.Failures << ' ' << figures.Retries << ' '
                        << figures.Seconds << '\n';
}

TFigures ReadFigures(const std::string& path) {
    TFigures figures;
    std::ifstream(path) >> figures.Operations >> figures.Failures >> figures.Retries >> figures.Seconds;
    return figures;
}

// One writer: keys id * 10000000 + n. Each completed change is one log line: I key, M key version, D key.
void RunWriter(TDataTableImpl& table, int id, TClock::time_point until, std::ostream& log,
               TFigures& figures) {
    std::mt19937 random(static_cast<uint32_t>(id) * 7919u + 1u);
    struct TOwn {
        int32_t Key;
        int32_t Record;
        int32_t Version;
    };
    std::vector<TOwn> own;
    int32_t next = 0;
    while (TClock::now() < until) {
        const uint32_t choice = random() % 10;
        try {
            if (own.empty() || choice < 4) {
                const int32_t key = id * 10000000 + ++next;
                const int32_t record = table.InsertRecord(Image(table, key, 0));
                own.push_back(TOwn{key, record, 0});
                log << "I " << key << '\n';
            } else {
                const size_t pick = random() % own.size();
                TOwn& chosen = own[pick];
                if (choice < 7) {
                    table.ModifyRecord(chosen.Record, Image(table, chosen.Key, chosen.Version + 1));
                    ++chosen.Version;
                    log << "M " << chosen.Key << ' ' << chosen.Version << '\n';
                } else {
                    table.DeleteRecord(chosen.Record);
                    log << "D " << chosen.Key << '\n';
                    own[pick] = own.back();
                    own.pop_back();
                }
            }
            ++figures.Operations;
        } catch (const EKarteiEngineError& error) {
            ++figures.Failures;
            std::cerr << "writer " << id << ": " << error.Message() << '\n';
        }
    }
}

// One reader: each operation a whole walk, a range or a key search; every record seen must be whole,
// and keys ascend along the primary index.
void RunReader(TDataDirectoryImpl& directory, int id, TClock::time_point until, TFigures& figures) {
    TDataCursorImpl cursor(directory);
    TTableOpenRequest request;
    request.Name = "S";
    cursor.Open(request);
    TDataTableImpl& table = cursor.Table();
    std::vector<uint8_t> record(cursor.RecordSize());
    std::mt19937 random(static_cast<uint32_t>(id) * 104729u + 7u);
    const auto fail = [&](const std::string& what) {
        ++figures.Failures;
        std::cerr << "reader " << id << ": " << what << '\n';
    };
    for (uint64_t round = 0; TClock::now() < until; ++round) {
        try {
            switch (round % 4) {
                case 0: {
                    cursor.SelectIndex(0);
                    cursor.First();
                    int32_t previous = 0;
                    while (cursor.GetNext(record) == 0) {
                        const int32_t key = GetIntegerField(record, table.Fields()[0]);
                        if (!Whole(table, record) || key <= previous) {
                            fail("torn or unordered record under key " + std::to_string(key));
                        }
                        previous = key;
                    }
                    break;
                }
                case 1:
                    cursor.SelectIndex("name");
                    cursor.Last();
                    while (cursor.GetPrior(record) == 0) {
                        if (!Whole(table, record)) {
                            fail("torn record walking backwards");
                        }
                    }
                    break;
                case 2: {
                    cursor.SelectIndex("version");
                    std::vector<uint8_t> low = Image(table, 0, 1);
                    std::vector<uint8_t> high = Image(table, 0, 2);
                    cursor.SetRange(TKeyForm::Record, low.data(), 0, high.data(), 0);
                    cursor.First();
                    while (cursor.GetNext(record) == 0) {
                        const int32_t version = GetIntegerField(record, table.Fields()[1]);
                        if (!Whole(table, record) || version < 1 || version > 2) {
                            fail("record outside its range: version " + std::to_string(version));
                        }
                    }
                    cursor.CancelRange();
                    break;
                }
                default: {
                    cursor.SelectIndex(0);
                    const int32_t key = static_cast<int32_t>(1 + random() % kWriters) * 10000000 +
                                        static_cast<int32_t>(1 + random() % 200);
                    const std::vector<uint8_t> wanted = Image(table, key, 0);
                    if (cursor.FindKey(TKeyForm::Record, wanted.data(), record, 0, false, 0) &&
                        (!Whole(table, record) || GetIntegerField(record, table.Fields()[0]) != key)) {
                        fail("search for " + std::to_string(key) + " found another record");
                    }
                    break;
                }
            }
            ++figures.Operations;
        } catch (const EKarteiEngineError& error) {
            fail(error.Message());
        }
    }
}

// The process side: runs the role named in the environment and writes its figures (and a writer its log).
TEST(StressChild, Run) {
    const char* role = std::getenv(kRoleVariable);
    const char* folder = std::getenv(kFolderVariable);
    const char* until = std::getenv(kUntilVariable);
    if (role == nullptr || folder == nullptr || until == nullptr) {
        GTEST_SKIP() << "only run as a process of StressProcesses";
    }
    TRetryCounter counter;
    const TScopedOsFileSystem scoped(counter);
    const std::string name(role);
    const int id = std::stoi(name.substr(1));
    const auto deadline = TClock::time_point(std::chrono::milliseconds(std::stoll(until)));
    const auto started = TClock::now();
    TFigures figures;
    {
        TDataSession session;
        TDataDirectoryImpl& directory = Inside(session.OpenDirectory(folder));
        if (name[0] == 'w') {
            TTableOpenRequest request;
            request.Name = "S";
            TDataTableImpl* table = nullptr;
            ASSERT_EQ(directory.OpenTable(request, table), 0);
            std::ofstream log(std::string(folder) + "/" + name + ".log");
            RunWriter(*table, id, deadline, log, figures);
            directory.CloseTable(table);
        } else {
            RunReader(directory, id, deadline, figures);
        }
    }
    figures.Retries = counter.Retries;
    figures.Seconds = std::chrono::duration<double>(TClock::now() - started).count();
    WriteFigures(std::string(folder) + "/" + name + ".figures", figures);
}

pid_t Start(const std::string& role, const std::string& folder, TClock::time_point until) {
    const pid_t child = fork();
    if (child == 0) {
        // The process's own test report would only clutter the output; problems go to stderr.
        [[maybe_unused]] FILE* quiet = freopen("/dev/null", "w", stdout);
        setenv(kRoleVariable, role.c_str(), 1);
        setenv(kFolderVariable, folder.c_str(), 1);
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(until.time_since_epoch());
        setenv(kUntilVariable, std::to_string(ms.count()).c_str(), 1);
        execl("/proc/self/exe", "tools_tests", "--gtest_filter=StressChild.Run", nullptr);
        _exit(127);
    }
    return child;
}

// What the logs say the table holds: key to version.
std::map<int32_t, int32_t> Replay(const std::string& folder) {
    std::map<int32_t, int32_t> live;
    for (int w = 1; w <= kWriters; ++w) {
        std::ifstream log(folder + "/w" + std::to_string(w) + ".log");
        std::string op;
        int32_t key = 0;
        while (log >> op >> key) {
            if (op == "I") {
                live[key] = 0;
            } else if (op == "M") {
                log >> live[key];
            } else {
                live.erase(key);
            }
        }
    }
    return live;
}

TEST(StressProcesses, WritersAndReadersShareOneTable) {
    const TTempDir temp;
    {
        TDataSession session;
        TDataDirectoryImpl& directory = Inside(session.OpenDirectory(temp.Path()));
        TTableOpenRequest request;
        request.Name = "S";
        TDataTableImpl* table = nullptr;
        ASSERT_EQ(directory.CreateTable(request, StressDefinition(), table), 0);
    }
    const char* seconds = std::getenv("KARTEI_STRESS_SECONDS");
    const auto until = TClock::now() + std::chrono::seconds(seconds != nullptr ? std::atoi(seconds) : 3);
    std::vector<std::pair<std::string, pid_t>> children;
    for (int w = 1; w <= kWriters; ++w) {
        children.emplace_back("w" + std::to_string(w), Start("w" + std::to_string(w), temp.Path(), until));
    }
    for (int r = 1; r <= kReaders; ++r) {
        children.emplace_back("r" + std::to_string(r), Start("r" + std::to_string(r), temp.Path(), until));
    }
    for (const auto& [role, pid] : children) {
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << role;
    }
    for (const auto& [role, pid] : children) {
        const TFigures figures = ReadFigures(temp.File(role + ".figures"));
        std::cout << "stress " << role << ": " << figures.Operations << " operations, "
                  << static_cast<int64_t>(figures.Operations / std::max(figures.Seconds, 0.001)) << "/s, "
                  << figures.Retries << " lock retries, " << figures.Failures << " failures\n";
        EXPECT_GT(figures.Operations, 0) << role;
        EXPECT_EQ(figures.Failures, 0) << role;
    }

    const TRun verify = Kartei({"verify", temp.File("S.DAT")});
    EXPECT_EQ(verify.Status, 0) << verify.Out;
    const std::map<int32_t, int32_t> expected = Replay(temp.Path());
    std::map<int32_t, int32_t> found;
    TDataSession session;
    TDataDirectoryImpl& directory = Inside(session.OpenDirectory(temp.Path()));
    TTableOpenRequest request;
    request.Name = "S";
    TDataTableImpl* table = nullptr;
    ASSERT_EQ(directory.OpenTable(request, table), 0);
    std::vector<uint8_t> image(table->Header().RecordSize);
    for (int32_t number = 1; number <= table->Header().RecordSlotCount(); ++number) {
        table->ReadRecord(number, image);
        if (RecordStatus(image) == kRecordLive) {
            EXPECT_TRUE(Whole(*table, image)) << number;
            found[GetIntegerField(image, table->Fields()[0])] = GetIntegerField(image, table->Fields()[1]);
        }
    }
    EXPECT_EQ(found, expected);
    EXPECT_EQ(table->RecordCount(), static_cast<int32_t>(expected.size()));
}

}  // namespace
}  // namespace kartei::tools::testing
