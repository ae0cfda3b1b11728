#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace kartei {

enum class TSeekOrigin { Start = 0, Current = 1, End = 2 };

// One open file of the process, shared by every table that uses it through the file registry. Results
// are handle numbers, byte counts or positions (>= 0), or negative engine codes; nothing here throws.
// Every operation holds the file's guard; callers also hold it around each seek-and-transfer pair.
class TAbstractFile {
public:
    TAbstractFile(std::string name, bool inMemory) : name_(std::move(name)), inMemory_(inMemory) {}
    virtual ~TAbstractFile() = default;
    TAbstractFile(const TAbstractFile&) = delete;
    TAbstractFile& operator=(const TAbstractFile&) = delete;

    // Index of the handle in the handle list, -1 when unknown.
    int FindHandle(int handle) const;

    // (Re)creates the file empty and opens the first handle.
    virtual int Create() = 0;
    // Opens one more handle; the first one opens the file itself.
    virtual int Open() = 0;
    virtual int CloseHandle(int handle) = 0;
    virtual int Rename(const std::string& newName) = 0;
    virtual int Delete() = 0;
    virtual int64_t Read(int handle, void* buffer, size_t count) = 0;
    // A write of 0 bytes sets the end of the file at the position.
    virtual int64_t Write(int handle, const void* buffer, size_t count) = 0;
    virtual int Flush(int handle) = 0;
    virtual int64_t Seek(int handle, int64_t offset, TSeekOrigin origin) = 0;
    // Tries once and never waits. A range that overlaps one held through this file object is refused,
    // whichever handle holds it.
    virtual bool LockRange(uint32_t offset, uint32_t length);
    // Releases exactly a range that was locked.
    virtual bool UnlockRange(uint32_t offset, uint32_t length);

    std::recursive_mutex& Guard() { return guard_; }
    const std::string& Name() const { return name_; }
    bool InMemory() const { return inMemory_; }
    int OpenCount() const;

    bool Exclusive() const { return exclusive_; }
    void SetExclusive(bool exclusive) { exclusive_ = exclusive; }
    bool Temporary() const { return temporary_; }
    void SetTemporary(bool temporary) { temporary_ = temporary; }
    // The engine must not write the file (it carries the read-only attribute).
    bool ReadOnly() const { return readOnly_; }
    // What the last first-open found, reported to the opener.
    bool OpenedReadOnly() const { return openedReadOnly_; }

protected:
    struct THandleEntry {
        int Number;
        int64_t Position;
    };
    struct TLockEntry {
        uint32_t First;
        uint32_t Last;
        uint32_t Length;
    };

    // Adds a handle at position 0 and returns its number: the lowest one not in use.
    int AddHandle();
    void RemoveHandleAt(int index);
    THandleEntry& HandleAt(int index) { return handles_[static_cast<size_t>(index)]; }
    // Index of the entry with exactly this range, -1 when none.
    int FindLock(uint32_t offset, uint32_t length) const;
    void ForgetLocks() { locks_.clear(); }
    void RemoveLockAt(int index) { locks_.erase(locks_.begin() + index); }

    mutable std::recursive_mutex guard_;
    std::string name_;
    bool exclusive_ = false;
    bool readOnly_ = false;
    bool openedReadOnly_ = false;
    bool temporary_ = false;

private:
    const bool inMemory_;
    std::vector<THandleEntry> handles_;
    std::vector<TLockEntry> locks_;
};

}  // namespace kartei
