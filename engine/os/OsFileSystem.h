#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace kartei {

// Every operating-system call of the engine goes through this interface, so that tests can count calls
// or make the n-th one fail. Calls return 0 on success or the errno value of the failure; they never
// throw. Offsets and sizes are 64-bit; the engine itself stays within 32-bit offsets.

using TOsHandle = int;
constexpr TOsHandle InvalidOsHandle = -1;

enum class TOsOpenMode {
    Existing,         // open a file that exists; never create
    CreateOrExisting  // create when missing, keep the contents otherwise (the caller truncates once it may)
};

enum class TOsAccess { ReadOnly, ReadWrite };

enum class TOsLockKind { Read, Write };

struct TOsFileAttributes {
    bool Exists = false;
    bool IsDirectory = false;
    // The file cannot be written by this user: no write permission bit at all (which even the
    // superuser respects here), or the access check for writing fails.
    bool ReadOnly = false;
};

class TOsFileSystem {
public:
    virtual ~TOsFileSystem() = default;

    virtual int Open(const std::string& path, TOsOpenMode mode, TOsAccess access, TOsHandle& handle) = 0;
    virtual int Close(TOsHandle handle) = 0;
    // Transfer up to count bytes at offset; done receives the bytes moved (less only at the end of the file
    // or on failure).
    virtual int ReadAt(TOsHandle handle, void* buffer, size_t count, uint64_t offset, size_t& done) = 0;
    virtual int WriteAt(TOsHandle handle, const void* buffer, size_t count, uint64_t offset,
                        size_t& done) = 0;
    virtual int Truncate(TOsHandle handle, uint64_t size) = 0;
    virtual int Flush(TOsHandle handle) = 0;
    virtual int Size(TOsHandle handle, uint64_t& size) = 0;
    // Open-file-description locks that never wait; a conflicting lock gives EAGAIN.
    virtual int LockRange(TOsHandle handle, uint64_t offset, uint64_t length, TOsLockKind kind) = 0;
    virtual int UnlockRange(TOsHandle handle, uint64_t offset, uint64_t length) = 0;
    virtual int Attributes(const std::string& path, TOsFileAttributes& attributes) = 0;
    virtual int Unlink(const std::string& path) = 0;
    // Moves a file; fails with EEXIST when the target exists (never replaces it).
    virtual int Rename(const std::string& from, const std::string& to) = 0;
    virtual void SleepMs(uint32_t milliseconds) = 0;
};

// The interface in use: the POSIX one unless a replacement is installed.
TOsFileSystem& OsFileSystem();

// Installs a replacement for the whole process (nullptr restores the POSIX one); returns the previous one.
TOsFileSystem* SetOsFileSystem(TOsFileSystem* replacement);

// Installs a replacement for the lifetime of the object.
class TScopedOsFileSystem {
public:
    explicit TScopedOsFileSystem(TOsFileSystem& replacement) : previous_(SetOsFileSystem(&replacement)) {}
    ~TScopedOsFileSystem() { SetOsFileSystem(previous_); }
    TScopedOsFileSystem(const TScopedOsFileSystem&) = delete;
    TScopedOsFileSystem& operator=(const TScopedOsFileSystem&) = delete;

private:
    TOsFileSystem* previous_;
};

}  // namespace kartei
