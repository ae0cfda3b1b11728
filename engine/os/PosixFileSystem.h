#pragma once

#include "engine/os/OsFileSystem.h"

namespace kartei {

// The real operating system: POSIX calls, open-file-description locks (F_OFD_SETLK).
class TPosixFileSystem final : public TOsFileSystem {
public:
    int Open(const std::string& path, TOsOpenMode mode, TOsAccess access, TOsHandle& handle) override;
    int Close(TOsHandle handle) override;
    int ReadAt(TOsHandle handle, void* buffer, size_t count, uint64_t offset, size_t& done) override;
    int WriteAt(TOsHandle handle, const void* buffer, size_t count, uint64_t offset, size_t& done) override;
    int Truncate(TOsHandle handle, uint64_t size) override;
    int Flush(TOsHandle handle) override;
    int Size(TOsHandle handle, uint64_t& size) override;
    int LockRange(TOsHandle handle, uint64_t offset, uint64_t length, TOsLockKind kind) override;
    int UnlockRange(TOsHandle handle, uint64_t offset, uint64_t length) override;
    int Attributes(const std::string& path, TOsFileAttributes& attributes) override;
    int Unlink(const std::string& path) override;
    int Rename(const std::string& from, const std::string& to) override;
    void SleepMs(uint32_t milliseconds) override;
};

// The process's one POSIX instance, for replacements that pass calls on.
TOsFileSystem& PosixFileSystem();

}  // namespace kartei
