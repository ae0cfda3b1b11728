#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "engine/files/AbstractFile.h"

namespace kartei {

class TFileHandler;

// Told of every write of the files it watches, before the write happens (a journal keeps what the write
// will overwrite). `count` 0 is a write that ends the file at `offset`.
class TWriteWatcher {
public:
    virtual ~TWriteWatcher() = default;
    virtual void BeforeWrite(TFileHandler& file, int64_t offset, size_t count) = 0;
};

// One table's view of one of its files (data, index or blob), through the process-wide file registry.
// Failures raise EKarteiEngineError with the file name.
class TFileHandler {
public:
    TFileHandler() = default;
    // Closes the file; errors are dropped here.
    virtual ~TFileHandler();
    TFileHandler(const TFileHandler&) = delete;
    TFileHandler& operator=(const TFileHandler&) = delete;

    // Opens an existing file (InvalidPath when there is none). An open handler is closed first; the name is
    // kept even when the open fails.
    virtual void Open(std::string_view fileName, bool exclusive, bool temporary = false);
    virtual void Close();
    // Creates the file empty (replacing one of that name) and opens it, exclusively.
    virtual void Create(std::string_view fileName, bool temporary = false);
    // Delete and rename act on any file of this handler's kind that nobody has open.
    virtual void Delete(std::string_view fileName);
    virtual void Rename(std::string_view fileName, std::string_view newName);
    // Copies the open file into a new file of the same kind.
    virtual void SaveCopy(std::string_view targetName);
    // Reads at the position; fewer bytes than asked raise ReadError unless allowed. Returns the bytes read.
    virtual size_t Read(void* buffer, size_t count, bool allowShortRead = false);
    // Writes at the position; a count of 0 sets the end of the file there.
    virtual void Write(const void* buffer, size_t count);
    virtual void Flush();

    int64_t Seek(int64_t offset, TSeekOrigin origin);
    // Range locks try once; failure is reported, not raised.
    bool LockRange(uint32_t offset, uint32_t length);
    bool UnlockRange(uint32_t offset, uint32_t length);
    // Size in bytes; the position is kept.
    int64_t Size();
    // Replaces the open file's contents by those of the named file.
    void LoadCopy(std::string_view sourceName);
    bool Exists(std::string_view fileName) const;

    // Every write goes to `watcher` first, until it is taken away (nullptr).
    void WatchWrites(TWriteWatcher* watcher) { watcher_ = watcher; }

    // The file's guard, held around every seek-and-transfer pair.
    void Enter();
    void Leave();

    // Kind of file: only while closed.
    void SetInMemory(bool inMemory) { inMemory_ = inMemory; }
    bool InMemory() const { return inMemory_; }
    const std::string& FileName() const { return fileName_; }
    bool IsOpen() const { return open_; }
    bool Exclusive() const { return exclusive_; }
    bool Temporary() const { return temporary_; }
    // The file could be opened for reading only: the table must not write or lock it.
    bool OpenedReadOnly() const { return openedReadOnly_; }
    TAbstractFile* File() const { return file_; }
    int Handle() const { return handle_; }

private:
    // The open file, or raises InvalidHandle.
    TAbstractFile& OpenFile() const;
    // Records the result of a registry open or create.
    void Opened(int handle, TAbstractFile* file, bool exclusive, bool temporary, bool openedReadOnly);

    bool inMemory_ = false;
    TAbstractFile* file_ = nullptr;
    std::string fileName_;
    int handle_ = 0;
    bool open_ = false;
    bool exclusive_ = false;
    bool openedReadOnly_ = false;
    bool temporary_ = false;
    TWriteWatcher* watcher_ = nullptr;
};

// Holds a handler's file guard for a scope.
class TFileGuard {
public:
    explicit TFileGuard(TFileHandler& handler) : handler_(handler) { handler_.Enter(); }
    ~TFileGuard() { handler_.Leave(); }
    TFileGuard(const TFileGuard&) = delete;
    TFileGuard& operator=(const TFileGuard&) = delete;

private:
    TFileHandler& handler_;
};

}  // namespace kartei
