#pragma once

#include "engine/files/AbstractFile.h"
#include "engine/os/OsFileSystem.h"

namespace kartei {

// A disk file. All handles of the object share one operating-system handle and one position.
// Sharing between processes is kept by a lock on a byte beyond every table lock: a read lock for a
// shared opener, a write lock for an exclusive one (or the creator). Range locks are write locks on
// the open file description, so they exclude other processes and survive the closing of other
// descriptors.
class TPhysicalFile final : public TAbstractFile {
public:
    explicit TPhysicalFile(std::string name) : TAbstractFile(std::move(name), false) {}
    ~TPhysicalFile() override;

    int Create() override;
    int Open() override;
    int CloseHandle(int handle) override;
    int Rename(const std::string& newName) override;
    int Delete() override;
    int64_t Read(int handle, void* buffer, size_t count) override;
    int64_t Write(int handle, const void* buffer, size_t count) override;
    int Flush(int handle) override;
    int64_t Seek(int handle, int64_t offset, TSeekOrigin origin) override;
    bool LockRange(uint32_t offset, uint32_t length) override;
    bool UnlockRange(uint32_t offset, uint32_t length) override;

private:
    // Opens the descriptor read-write when the system allows it (the engine's read-only flag decides
    // about writing), else read-only, and takes the sharing lock.
    int OpenDescriptor(TOsOpenMode mode);
    // A descriptor open for reading only (a user without write permission) cannot hold write locks; it
    // takes read locks instead. They still keep writers out, but let other readers of the same byte in:
    // an exclusive open of such a file does not keep shared openers out of it, and two such processes
    // may take the same read-lock byte.
    TOsLockKind StrongestLock() const { return writable_ ? TOsLockKind::Write : TOsLockKind::Read; }
    void CloseDescriptor();

    TOsHandle fd_ = InvalidOsHandle;
    bool writable_ = false;
    bool deleteOnClose_ = false;
    uint64_t position_ = 0;
};

}  // namespace kartei
