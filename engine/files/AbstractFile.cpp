#include "engine/files/AbstractFile.h"

#include <algorithm>

namespace kartei {

int TAbstractFile::FindHandle(int handle) const {
    std::lock_guard lock(guard_);
    for (size_t i = 0; i < handles_.size(); ++i) {
        if (handles_[i].Number == handle) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

int TAbstractFile::OpenCount() const {
    std::lock_guard lock(guard_);
    return static_cast<int>(handles_.size());
}

int TAbstractFile::AddHandle() {
    int number = 1;
    while (FindHandle(number) >= 0) {
        ++number;
    }
    handles_.push_back(THandleEntry{number, 0});
    return number;
}

void TAbstractFile::RemoveHandleAt(int index) {
    handles_.erase(handles_.begin() + index);
}

int TAbstractFile::FindLock(uint32_t offset, uint32_t length) const {
    for (size_t i = 0; i < locks_.size(); ++i) {
        if (locks_[i].First == offset && locks_[i].Length == length) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

bool TAbstractFile::LockRange(uint32_t offset, uint32_t length) {
    // A range must be one to 2^32 - offset bytes: it stays clear of the sharing byte beyond.
    if (length == 0 || length - 1 > UINT32_MAX - offset) {
        return false;
    }
    const uint32_t last = offset + (length - 1);
    std::lock_guard lock(guard_);
    const bool overlaps = std::any_of(locks_.begin(), locks_.end(), [&](const TLockEntry& entry) {
        return (offset >= entry.First && offset <= entry.Last) ||
               (entry.First >= offset && entry.First <= last);
    });
    if (overlaps) {
        return false;
    }
    locks_.push_back(TLockEntry{offset, last, length});
    return true;
}

bool TAbstractFile::UnlockRange(uint32_t offset, uint32_t length) {
    std::lock_guard lock(guard_);
    const int index = FindLock(offset, length);
    if (index < 0) {
        return false;
    }
    RemoveLockAt(index);
    return true;
}

}  // namespace kartei
