#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace settings {

// Every operating-system call of the registry file goes through this interface, so that tests can make
// one of them fail or stop the process in the middle of a save. Calls return 0 on success or the errno
// value of the failure; they never throw.

// A file being written from its start.
class TWritableFile {
public:
    virtual ~TWritableFile() = default;
    virtual int Append(std::string_view data) = 0;
    // Forces what was appended onto the disk.
    virtual int Sync() = 0;
    virtual int Close() = 0;
};

// A held lock; destroying it releases the lock.
class TFileLock {
public:
    virtual ~TFileLock() = default;
};

class TRegistryEnv {
public:
    virtual ~TRegistryEnv() = default;

    // The whole file; ENOENT when it does not exist.
    virtual int ReadFile(const std::string& path, std::string& contents) = 0;
    // Creates the file, or empties it when it exists.
    virtual int NewWritableFile(const std::string& path, std::unique_ptr<TWritableFile>& file) = 0;
    // Replaces the target when it exists.
    virtual int RenameFile(const std::string& from, const std::string& to) = 0;
    virtual int RemoveFile(const std::string& path) = 0;
    // Creates the directory and any missing directory above it (private to the user); an existing one is
    // fine.
    virtual int CreateDir(const std::string& path) = 0;
    // Forces the directory's entries (a rename into it) onto the disk.
    virtual int SyncDir(const std::string& path) = 0;
    // Waits for the exclusive advisory lock on the file, creating the file when it is missing.
    virtual int LockFile(const std::string& path, std::unique_ptr<TFileLock>& lock) = 0;

    // The POSIX implementation.
    static TRegistryEnv& Default();
};

}  // namespace settings
