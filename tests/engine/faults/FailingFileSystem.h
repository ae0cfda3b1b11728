#pragma once

#include <cerrno>
#include <cstdint>
#include <set>
#include <string>

#include "engine/os/OsFileSystem.h"
#include "engine/os/PosixFileSystem.h"

namespace kartei::testing {

// The calls a failing disk can refuse.
enum class TFaultKind { Read, Write, Flush, Lock };

inline const char* FaultKindName(TFaultKind kind) {
    switch (kind) {
        case TFaultKind::Read:
            return "read";
        case TFaultKind::Write:
            return "write";
        case TFaultKind::Flush:
            return "flush";
        case TFaultKind::Lock:
            return "lock";
    }
    return "?";
}

// A disk that fails the n-th call of one kind (counted from 1), and with `sticky` every later one too, as
// a disk that has gone away would. Everything else goes to the real system, and open handles are tracked
// so that a test can see that nothing was left open. Sleeps are skipped, so that lock retries cost nothing.
class TFailingFileSystem : public TOsFileSystem {
public:
    TFailingFileSystem(TFaultKind kind, int64_t failAt, bool sticky = false)
        : kind_(kind), failAt_(failAt), sticky_(sticky) {}

    int Open(const std::string& path, TOsOpenMode mode, TOsAccess access, TOsHandle& handle) override {
        const int result = real_.Open(path, mode, access, handle);
        if (result == 0) {
            open_.insert(handle);
        }
        return result;
    }
    int Close(TOsHandle handle) override {
        open_.erase(handle);
        return real_.Close(handle);
    }
    int ReadAt(TOsHandle handle, void* buffer, size_t count, uint64_t offset, size_t& done) override {
        if (Fails(TFaultKind::Read)) {
            done = 0;
            return EIO;
        }
        return real_.ReadAt(handle, buffer, count, offset, done);
    }
    int WriteAt(TOsHandle handle, const void* buffer, size_t count, uint64_t offset, size_t& done) override {
        if (Fails(TFaultKind::Write)) {
            done = 0;
            return EIO;
        }
        return real_.WriteAt(handle, buffer, count, offset, done);
    }
    int Truncate(TOsHandle handle, uint64_t size) override { return real_.Truncate(handle, size); }
    int Flush(TOsHandle handle) override { return Fails(TFaultKind::Flush) ? EIO : real_.Flush(handle); }
    int Size(TOsHandle handle, uint64_t& size) override { return real_.Size(handle, size); }
    int LockRange(TOsHandle handle, uint64_t offset, uint64_t length, TOsLockKind kind) override {
        return Fails(TFaultKind::Lock) ? ENOLCK : real_.LockRange(handle, offset, length, kind);
    }
    int UnlockRange(TOsHandle handle, uint64_t offset, uint64_t length) override {
        return real_.UnlockRange(handle, offset, length);
    }
    int Attributes(const std::string& path, TOsFileAttributes& attributes) override {
        return real_.Attributes(path, attributes);
    }
    int Unlink(const std::string& path) override { return real_.Unlink(path); }
    int Rename(const std::string& from, const std::string& to) override { return real_.Rename(from, to); }
    void SleepMs(uint32_t) override {}

    // Calls of the failing kind so far, and whether one has failed.
    int64_t Calls() const { return calls_; }
    bool Failed() const { return failed_; }
    size_t OpenHandles() const { return open_.size(); }

private:
    bool Fails(TFaultKind kind) {
        if (kind != kind_) {
            return false;
        }
        ++calls_;
        const bool fails = calls_ == failAt_ || (sticky_ && failAt_ > 0 && calls_ > failAt_);
        failed_ = failed_ || fails;
        return fails;
    }

    TFaultKind kind_;
    int64_t failAt_;
    bool sticky_;
    int64_t calls_ = 0;
    bool failed_ = false;
    std::set<TOsHandle> open_;
    TOsFileSystem& real_ = PosixFileSystem();
};

}  // namespace kartei::testing
