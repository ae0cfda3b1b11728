#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <string>
#include <thread>

#include "SettingsTestSupport.h"
#include "settings/Config.h"
#include "settings/registry/Registry.h"

namespace settings {
namespace {

using testing::ErrorOf;
using testing::RunInChild;
using testing::StartChild;

// A file whose writes stop halfway: either the process dies there or the disk is full.
class THalfWrittenFile : public TWritableFile {
public:
    THalfWrittenFile(std::unique_ptr<TWritableFile> file, bool die) : file_(std::move(file)), die_(die) {}
    int Append(std::string_view data) override {
        if (const int error = file_->Append(data.substr(0, data.size() / 2))) {
            return error;
        }
        if (die_) {
            file_->Sync();
            raise(SIGKILL);
        }
        return ENOSPC;
    }
    int Sync() override { return file_->Sync(); }
    int Close() override { return file_->Close(); }

private:
    std::unique_ptr<TWritableFile> file_;
    bool die_;
};

class THalfWriteEnv : public testing::TForwardingEnv {
public:
    explicit THalfWriteEnv(bool die) : die_(die) {}
    int NewWritableFile(const std::string& path, std::unique_ptr<TWritableFile>& file) override {
        std::unique_ptr<TWritableFile> real;
        const int error = base_.NewWritableFile(path, real);
        if (error == 0) {
            file = std::make_unique<THalfWrittenFile>(std::move(real), die_);
        }
        return error;
    }

private:
    bool die_;
};

class TFailingRenameEnv : public testing::TForwardingEnv {
public:
    int RenameFile(const std::string&, const std::string&) override { return EIO; }
};

// Holds the lock: tells the test it is about to write, then waits for its go.
class TPausingEnv : public testing::TForwardingEnv {
public:
    TPausingEnv(int ready, int go) : ready_(ready), go_(go) {}
    int NewWritableFile(const std::string& path, std::unique_ptr<TWritableFile>& file) override {
        char signal = 'r';
        if (write(ready_, &signal, 1) != 1 || read(go_, &signal, 1) != 1) {
            return EIO;
        }
        return base_.NewWritableFile(path, file);
    }

private:
    int ready_;
    int go_;
};

class RegistryDurabilityTest : public testing::TempConfigHomeTest {
protected:
    void SetUp() override {
        testing::TempConfigHomeTest::SetUp();
        TConfig config;
        config.LoadSection("AreaCode");
        config.WriteBool("ShowHint", true);
        config.SaveSection("AreaCode");
        before_ = ReadHive();
    }

    // Saves ShowHint = FALSE through the given environment.
    static void SaveHintOff(TRegistryEnv& env) {
        TConfig config(TRegistry::CurrentUser(env));
        config.LoadSection("AreaCode");
        config.WriteBool("ShowHint", false);
        config.SaveSection("AreaCode");
    }

    static void SaveValue(TRegistryEnv& env, const std::string& name, const std::string& value) {
        TConfig config(TRegistry::CurrentUser(env));
        config.LoadSection("AreaCode");
        config.WriteValue(name, value);
        config.SaveSection("AreaCode");
    }

    static bool StoredHint() {
        TConfig config;
        config.LoadSection("AreaCode");
        return config.ReadBool("ShowHint", false);
    }

    std::string before_;
};

TEST_F(RegistryDurabilityTest, AWriterKilledHalfwayLeavesThePreviousFile) {
    const int status = RunInChild([] {
        THalfWriteEnv env(true);
        SaveHintOff(env);
    });
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(WTERMSIG(status), SIGKILL);
    EXPECT_EQ(ReadHive(), before_);
    EXPECT_TRUE(StoredHint());

    // The next save goes through, over the half-written leftover.
    SaveHintOff(TRegistryEnv::Default());
    EXPECT_FALSE(StoredHint());
    EXPECT_FALSE(Exists(HivePath() + ".tmp"));
}

TEST_F(RegistryDurabilityTest, AFailedWriteLeavesThePreviousFile) {
    THalfWriteEnv fullDisk(false);
    TFailingRenameEnv failingRename;
    for (TRegistryEnv* env : std::initializer_list<TRegistryEnv*>{&fullDisk, &failingRename}) {
        TConfig config(TRegistry::CurrentUser(*env));
        config.LoadSection("AreaCode");
        config.WriteBool("ShowHint", false);
        EXPECT_EQ(ErrorOf([&] { config.SaveSection("AreaCode"); }),
                  "Konnte Daten für 'ShowHint' nicht setzen");
        EXPECT_EQ(config.SectionValues(), std::vector<std::string>{"ShowHint=FALSE"});
        EXPECT_EQ(ReadHive(), before_);
        EXPECT_FALSE(Exists(HivePath() + ".tmp"));
    }
}

TEST_F(RegistryDurabilityTest, WhatOneProcessSavesAnotherReads) {
    TConfig config;
    config.LoadSection("AreaCode");
    EXPECT_TRUE(config.ReadBool("ShowHint", false));
    const int status = RunInChild([] { SaveHintOff(TRegistryEnv::Default()); });
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    config.LoadSection("AreaCode");
    EXPECT_FALSE(config.ReadBool("ShowHint", true));
}

TEST_F(RegistryDurabilityTest, ASaveKeepsWhatAnotherProcessSavedSinceTheLoad) {
    TConfig config;
    config.LoadSection("AreaCode");
    config.WriteBool("ShowHint", false);
    const int status = RunInChild([] { SaveValue(TRegistryEnv::Default(), "Other", "1"); });
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    config.SaveSection("AreaCode");
    config.LoadSection("AreaCode");
    EXPECT_EQ(config.SectionValues(), (std::vector<std::string>{"Other=1", "ShowHint=FALSE"}));
}

TEST_F(RegistryDurabilityTest, TwoSavingProcessesTakeTurns) {
    int ready[2];
    int go[2];
    ASSERT_EQ(pipe(ready), 0);
    ASSERT_EQ(pipe(go), 0);
    const pid_t first = StartChild([&] {
        TPausingEnv env(ready[1], go[0]);
        SaveValue(env, "First", "1");
    });
    char signal = 0;
    ASSERT_EQ(read(ready[0], &signal, 1), 1);  // the first holds the lock and has read the file

    const pid_t second = StartChild([] { SaveValue(TRegistryEnv::Default(), "Second", "2"); });
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    int status = 0;
    EXPECT_EQ(waitpid(second, &status, WNOHANG), 0) << "the second saved while the first held the lock";

    ASSERT_EQ(write(go[1], "g", 1), 1);
    for (const pid_t child : {first, second}) {
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    for (const int fd : {ready[0], ready[1], go[0], go[1]}) {
        close(fd);
    }
    TConfig config;
    config.LoadSection("AreaCode");
    EXPECT_EQ(config.SectionValues(), (std::vector<std::string>{"First=1", "Second=2", "ShowHint=TRUE"}));
}

}  // namespace
}  // namespace settings
