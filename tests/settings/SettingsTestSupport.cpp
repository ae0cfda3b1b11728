#include "SettingsTestSupport.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "settings/SettingsError.h"

namespace settings::testing {

void TempConfigHomeTest::SetUp() {
    char pattern[] = "/tmp/settings-test-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    home_ = pattern;
    if (const char* previous = std::getenv("XDG_CONFIG_HOME")) {
        previous_ = previous;
    }
    setenv("XDG_CONFIG_HOME", home_.c_str(), 1);
}

void TempConfigHomeTest::TearDown() {
    if (previous_) {
        setenv("XDG_CONFIG_HOME", previous_->c_str(), 1);
    } else {
        unsetenv("XDG_CONFIG_HOME");
    }
    std::filesystem::remove_all(home_);
}

void TempConfigHomeTest::WriteHive(std::string_view text) const {
    std::filesystem::create_directories(home_ + "/quolt");
    std::ofstream(HivePath(), std::ios::binary) << text;
}

std::string TempConfigHomeTest::ReadHive() const {
    std::ifstream file(HivePath(), std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

bool TempConfigHomeTest::Exists(const std::string& path) const {
    return std::filesystem::exists(path);
}

int TForwardingEnv::ReadFile(const std::string& path, std::string& contents) {
    return base_.ReadFile(path, contents);
}
int TForwardingEnv::NewWritableFile(const std::string& path, std::unique_ptr<TWritableFile>& file) {
    return base_.NewWritableFile(path, file);
}
int TForwardingEnv::RenameFile(const std::string& from, const std::string& to) {
    return base_.RenameFile(from, to);
}
int TForwardingEnv::RemoveFile(const std::string& path) {
    return base_.RemoveFile(path);
}
int TForwardingEnv::CreateDir(const std::string& path) {
    return base_.CreateDir(path);
}
int TForwardingEnv::SyncDir(const std::string& path) {
    return base_.SyncDir(path);
}
int TForwardingEnv::LockFile(const std::string& path, std::unique_ptr<TFileLock>& lock) {
    return base_.LockFile(path, lock);
}

int StartChild(const std::function<void()>& body) {
    const pid_t child = fork();
    if (child == 0) {
        int code = 0;
        try {
            body();
        } catch (...) {
            code = 1;
        }
        _exit(code);
    }
    return child;
}

int RunInChild(const std::function<void()>& body) {
    int status = -1;
    waitpid(StartChild(body), &status, 0);
    return status;
}

std::string ErrorOf(const std::function<void()>& call) {
    try {
        call();
    } catch (const ESettingsError& error) {
        return error.what();
    }
    return {};
}

}  // namespace settings::testing
