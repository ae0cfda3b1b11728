#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "settings/registry/RegistryEnv.h"

namespace settings::testing {

// Gives each test its own XDG_CONFIG_HOME, a fresh folder under /tmp, removed afterwards.
class TempConfigHomeTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    const std::string& Home() const { return home_; }
    std::string HivePath() const { return home_ + "/quolt/registry.reg"; }
    void WriteHive(std::string_view text) const;
    std::string ReadHive() const;
    bool Exists(const std::string& path) const;

private:
    std::string home_;
    std::optional<std::string> previous_;
};

// Passes every call on to the POSIX implementation; tests override the calls they break.
class TForwardingEnv : public TRegistryEnv {
public:
    int ReadFile(const std::string& path, std::string& contents) override;
    int NewWritableFile(const std::string& path, std::unique_ptr<TWritableFile>& file) override;
    int RenameFile(const std::string& from, const std::string& to) override;
    int RemoveFile(const std::string& path) override;
    int CreateDir(const std::string& path) override;
    int SyncDir(const std::string& path) override;
    int LockFile(const std::string& path, std::unique_ptr<TFileLock>& lock) override;

protected:
    TRegistryEnv& base_ = TRegistryEnv::Default();
};

// Runs the body in a child process and waits for it; the wait status. The child exits with 0 when the
// body returns and 1 when it throws.
int RunInChild(const std::function<void()>& body);

// Starts the body in a child process without waiting; its process id.
int StartChild(const std::function<void()>& body);

// The message of the ESettingsError the call raises, or "" when it raises none.
std::string ErrorOf(const std::function<void()>& call);

}  // namespace settings::testing
