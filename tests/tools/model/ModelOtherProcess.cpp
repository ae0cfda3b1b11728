#include "tools/model/ModelOtherProcess.h"

#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <thread>
#include <vector>

#include "kartei/Errors.h"
#include "kartei/ErrorCodes.h"
#include "engine/table/DataDirectory.h"
#include "kartei/Session.h"
#include "engine/table/DataTable.h"
#include "tools/model/ModelValues.h"
#include "tools/model/ModelWorkload.h"

namespace kartei::tools::model {
namespace {

std::string StopFile(const std::string& folder) {
    return folder + "/stop";
}

// Made by the other process once it has changed the table, so that the walks do not end before it begins.
std::string StartedFile(const std::string& folder) {
    return folder + "/started";
}

}  // namespace

int RunOtherWriter(const std::string& folder, uint32_t seed, std::ostream& err) {
    const pid_t parent = getppid();
    TDataSession session;
    TDataDirectoryImpl& directory = Inside(session.OpenDirectory(folder));
    TTableOpenRequest request;
    request.Name = std::string(TModelWorkload::kTableName);
    TDataTableImpl* table = nullptr;
    if (directory.OpenTable(request, table) != 0) {
        err << "the other process cannot open the table\n";
        return 1;
    }
    const TValueSource values(table->Fields(), table->Header().LanguageId != 0);
    std::mt19937 random(seed * 31u + 7u);
    std::vector<int32_t> own;
    for (bool started = false; !std::filesystem::exists(StopFile(folder)) && getppid() == parent;) {
        try {
            if (own.empty() || (own.size() < 80 && std::bernoulli_distribution(0.55)(random))) {
                TModelRecord record;
                record.Values = values.Make(random, nullptr);
                UpdateImage(table->Fields(), table->Header().RecordSize, record);
                own.push_back(table->InsertRecord(record.Image));
            } else {
                const size_t pick = std::uniform_int_distribution<size_t>(0, own.size() - 1)(random);
                table->DeleteRecord(own[pick]);
                own[pick] = own.back();
                own.pop_back();
            }
        } catch (const EKarteiEngineError& error) {
            if (error.ErrorCode() != ErrorCode::DuplicateKey) {
                err << "the other process: " << error.Message() << '\n';
                return 1;
            }
        }
        if (!started) {
            started = true;
            std::ofstream(StartedFile(folder)) << "started\n";
        }
        std::this_thread::sleep_for(
            std::chrono::microseconds(std::uniform_int_distribution<int>(0, 300)(random)));
    }
    return directory.CloseTable(table) == 0 ? 0 : 1;
}

TOtherProcess::TOtherProcess(const std::string& folder, uint32_t seed) : folder_(folder) {
    std::filesystem::remove(StopFile(folder));
    std::filesystem::remove(StartedFile(folder));
    // Output still buffered would be written twice, once by each process.
    std::fflush(nullptr);
    pid_ = fork();
    if (pid_ == 0) {
        // Its own test report would only clutter the output; problems go to stderr.
        [[maybe_unused]] FILE* quiet = freopen("/dev/null", "w", stdout);
        setenv(kOtherFolderVariable, folder.c_str(), 1);
        setenv(kOtherSeedVariable, std::to_string(seed).c_str(), 1);
        const std::string filter = std::string("--gtest_filter=") + kOtherProcessTest;
        execl("/proc/self/exe", "tools_tests", filter.c_str(), nullptr);
        _exit(127);
    }
    // A few seconds at most: a process that cannot start is found out when it is stopped.
    for (int wait = 0; wait < 500 && !std::filesystem::exists(StartedFile(folder)); ++wait) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

TOtherProcess::~TOtherProcess() {
    Stop();
}

bool TOtherProcess::Stop() {
    if (pid_ <= 0) {
        return false;
    }
    std::ofstream(StopFile(folder_)) << "stop\n";
    int status = 0;
    const bool waited = waitpid(pid_, &status, 0) == pid_;
    pid_ = -1;
    return waited && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace kartei::tools::model
