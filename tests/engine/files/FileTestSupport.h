#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "engine/os/OsFileSystem.h"
#include "engine/os/PosixFileSystem.h"
#include "kartei/Errors.h"

namespace kartei::testing {

// A scratch folder under /tmp, removed with everything in it.
class TTempDir {
public:
    TTempDir() {
        char pattern[] = "/tmp/kartei-files-XXXXXX";
        const char* made = mkdtemp(pattern);
        path_ = made != nullptr ? made : "";
    }
    ~TTempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    std::string File(const std::string& name) const { return path_ + "/" + name; }
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

inline void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

inline std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The code and message of what a call raised; code 0 when it raised nothing.
struct TRaised {
    uint16_t Code = 0;
    std::string Message;
};

inline TRaised Raised(const std::function<void()>& call) {
    try {
        call();
    } catch (const EKarteiEngineError& error) {
        return TRaised{error.ErrorCode(), error.Message()};
    }
    return {};
}

// Passes every call to the real system and counts them; can make reads, writes or flushes fail.
class TCountingFileSystem : public TOsFileSystem {
public:
    struct TLockCall {
        uint64_t Offset;
        uint64_t Length;
        TOsLockKind Kind;
        int Result;
    };

    int Open(const std::string& path, TOsOpenMode mode, TOsAccess access, TOsHandle& handle) override {
        ++Opens;
        if (ReadWriteOpenFailure != 0 && access == TOsAccess::ReadWrite) {
            return ReadWriteOpenFailure;
        }
        return real_.Open(path, mode, access, handle);
    }
    int Close(TOsHandle handle) override { return real_.Close(handle); }
    int ReadAt(TOsHandle handle, void* buffer, size_t count, uint64_t offset, size_t& done) override {
        if (ReadFailure != 0) {
            done = 0;
            return ReadFailure;
        }
        const int result = real_.ReadAt(handle, buffer, count, offset, done);
        ReadsAsked.push_back(count);
        ReadsDone.push_back(done);
        return result;
    }
    int WriteAt(TOsHandle handle, const void* buffer, size_t count, uint64_t offset, size_t& done) override {
        if (WriteFailure != 0) {
            done = 0;
            return WriteFailure;
        }
        Writes.push_back(count);
        return real_.WriteAt(handle, buffer, count, offset, done);
    }
    int Truncate(TOsHandle handle, uint64_t size) override {
        Truncations.push_back(size);
        return real_.Truncate(handle, size);
    }
    int Flush(TOsHandle handle) override { return FlushFailure != 0 ? FlushFailure : real_.Flush(handle); }
    int Size(TOsHandle handle, uint64_t& size) override { return real_.Size(handle, size); }
    int LockRange(TOsHandle handle, uint64_t offset, uint64_t length, TOsLockKind kind) override {
        int result = EAGAIN;
        if (RefuseLocks > 0) {
            --RefuseLocks;
        } else {
            result = real_.LockRange(handle, offset, length, kind);
        }
        Locks.push_back(TLockCall{offset, length, kind, result});
        return result;
    }
    int UnlockRange(TOsHandle handle, uint64_t offset, uint64_t length) override {
        Unlocks.push_back(TLockCall{offset, length, TOsLockKind::Write, 0});
        return real_.UnlockRange(handle, offset, length);
    }
    int Attributes(const std::string& path, TOsFileAttributes& attributes) override {
        return real_.Attributes(path, attributes);
    }
    int Unlink(const std::string& path) override { return real_.Unlink(path); }
    int Rename(const std::string& from, const std::string& to) override { return real_.Rename(from, to); }
    // Counts instead of sleeping, so that thousands of retries take no time.
    void SleepMs(uint32_t milliseconds) override { Sleeps.push_back(milliseconds); }

    int Opens = 0;
    std::vector<size_t> ReadsAsked;
    std::vector<size_t> ReadsDone;
    std::vector<size_t> Writes;
    std::vector<uint64_t> Truncations;
    std::vector<TLockCall> Locks;
    std::vector<TLockCall> Unlocks;
    std::vector<uint32_t> Sleeps;
    int ReadFailure = 0;
    int WriteFailure = 0;
    // Opens for writing fail with this error, as for a user who may only read the files.
    int ReadWriteOpenFailure = 0;
    int FlushFailure = 0;
    // The next this many lock calls are refused as if another process held the range.
    int RefuseLocks = 0;

private:
    TOsFileSystem& real_ = PosixFileSystem();
};

// The lock another open file description sees over a range: F_UNLCK when the range is free.
struct TProbe {
    short Type = F_UNLCK;
    int64_t Start = 0;
    int64_t Length = 0;
};

inline struct flock LockRequest(short type, uint64_t offset, uint64_t length) {
    struct flock lock {};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    lock.l_start = static_cast<off_t>(offset);
    lock.l_len = static_cast<off_t>(length);
    return lock;
}

// Takes a write lock through a description of its own, as another process would.
inline bool HoldLock(int fd, uint64_t offset, uint64_t length) {
    struct flock lock = LockRequest(F_WRLCK, offset, length);
    return fcntl(fd, F_OFD_SETLK, &lock) == 0;
}

inline bool ReleaseLock(int fd, uint64_t offset, uint64_t length) {
    struct flock lock = LockRequest(F_UNLCK, offset, length);
    return fcntl(fd, F_OFD_SETLK, &lock) == 0;
}

inline TProbe ProbeLock(int fd, uint64_t offset, uint64_t length) {
    struct flock lock = LockRequest(F_WRLCK, offset, length);
    if (fcntl(fd, F_OFD_GETLK, &lock) != 0) {
        return TProbe{-1, 0, 0};
    }
    return TProbe{lock.l_type, lock.l_start, lock.l_len};
}

// A forked child running body; the two sides take turns through Signal and Await. The child ends with
// body's result as exit status (99 when it raised).
class TChildProcess {
public:
    explicit TChildProcess(const std::function<int(TChildProcess&)>& body) {
        if (pipe(toChild_) != 0 || pipe(toParent_) != 0) {
            return;
        }
        pid_ = fork();
        if (pid_ == 0) {
            close(toChild_[1]);
            close(toParent_[0]);
            readFd_ = toChild_[0];
            writeFd_ = toParent_[1];
            int status = 99;
            try {
                status = body(*this);
            } catch (...) {
            }
            _exit(status);
        }
        close(toChild_[0]);
        close(toParent_[1]);
        readFd_ = toParent_[0];
        writeFd_ = toChild_[1];
    }
    // Closing our end first lets a child that still waits for a turn run to its end.
    ~TChildProcess() {
        close(writeFd_);
        if (pid_ > 0 && !joined_) {
            Join();
        }
        close(readFd_);
    }
    TChildProcess(const TChildProcess&) = delete;
    TChildProcess& operator=(const TChildProcess&) = delete;

    void Signal() {
        const char byte = 1;
        [[maybe_unused]] const ssize_t ignored = write(writeFd_, &byte, 1);
    }
    bool Await() {
        char byte = 0;
        return read(readFd_, &byte, 1) == 1;
    }
    // The child's exit status, -1 when it did not exit normally.
    int Join() {
        int status = 0;
        joined_ = true;
        if (waitpid(pid_, &status, 0) != pid_ || !WIFEXITED(status)) {
            return -1;
        }
        return WEXITSTATUS(status);
    }
    bool Started() const { return pid_ > 0; }

private:
    int toChild_[2] = {-1, -1};
    int toParent_[2] = {-1, -1};
    int readFd_ = -1;
    int writeFd_ = -1;
    pid_t pid_ = -1;
    bool joined_ = false;
};

}  // namespace kartei::testing
