#include "engine/files/MemoryFile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "engine/os/OsErrorMapping.h"
#include "kartei/ErrorCodes.h"
#include "kartei/Errors.h"

namespace kartei {

uint64_t TMemoryFile::Size() const {
    std::lock_guard lock(guard_);
    return size_;
}

size_t TMemoryFile::Capacity() const {
    std::lock_guard lock(guard_);
    return buffer_.Capacity();
}

int TMemoryFile::SetSize(uint64_t size) {
    if (size > size_) {
        try {
            buffer_.Reserve(size);
        } catch (const EKarteiEngineError& error) {
            return -error.ErrorCode();
        }
    } else if (size < size_) {
        std::memset(buffer_.Data() + size, 0, size_ - size);
    }
    size_ = size;
    return 0;
}

int TMemoryFile::Create() {
    std::lock_guard lock(guard_);
    if (OpenCount() > 0) {
        return -ErrorCode::AccessDenied;
    }
    exclusive_ = true;  // a new file is not shared until its creator closes it
    SetSize(0);
    return AddHandle();
}

int TMemoryFile::Open() {
    std::lock_guard lock(guard_);
    return AddHandle();
}

int TMemoryFile::CloseHandle(int handle) {
    std::lock_guard lock(guard_);
    const int index = FindHandle(handle);
    if (index < 0) {
        return -ErrorCode::InvalidPath;
    }
    RemoveHandleAt(index);
    return 0;
}

int TMemoryFile::Rename(const std::string& newName) {
    std::lock_guard lock(guard_);
    name_ = newName;
    return 0;
}

int TMemoryFile::Delete() {
    // The registry frees the object, and its buffer with it.
    return 0;
}

int64_t TMemoryFile::Read(int handle, void* buffer, size_t count) {
    std::lock_guard lock(guard_);
    const int index = FindHandle(handle);
    if (index < 0) {
        return -ErrorCode::InvalidHandle;
    }
    THandleEntry& entry = HandleAt(index);
    const uint64_t position = static_cast<uint64_t>(entry.Position);
    const size_t available =
        position < size_ ? static_cast<size_t>(std::min<uint64_t>(count, size_ - position)) : 0;
    if (available > 0) {
        std::memcpy(buffer, buffer_.Data() + position, available);
    }
    entry.Position += static_cast<int64_t>(available);
    return static_cast<int64_t>(available);
}

int64_t TMemoryFile::Write(int handle, const void* buffer, size_t count) {
    std::lock_guard lock(guard_);
    const int index = FindHandle(handle);
    if (index < 0) {
        return -ErrorCode::InvalidHandle;
    }
    THandleEntry& entry = HandleAt(index);
    const uint64_t position = static_cast<uint64_t>(entry.Position);
    if (count == 0) {
        return SetSize(position);
    }
    const uint64_t end = position + count;
    if (end > size_) {
        if (const int result = SetSize(end); result < 0) {
            return result;
        }
    }
    std::memcpy(buffer_.Data() + position, buffer, count);
    entry.Position = static_cast<int64_t>(end);
    return static_cast<int64_t>(count);
}

int TMemoryFile::Flush(int handle) {
    return FindHandle(handle) < 0 ? -ErrorCode::InvalidHandle : 0;
}

int64_t TMemoryFile::Seek(int handle, int64_t offset, TSeekOrigin origin) {
    std::lock_guard lock(guard_);
    const int index = FindHandle(handle);
    if (index < 0) {
        return -ErrorCode::InvalidHandle;
    }
    THandleEntry& entry = HandleAt(index);
    int64_t target = 0;
    bool overflow = false;
    switch (origin) {
        case TSeekOrigin::Start:
            target = offset;
            break;
        case TSeekOrigin::Current:
            overflow = __builtin_add_overflow(entry.Position, offset, &target);
            break;
        case TSeekOrigin::End:
            overflow = __builtin_sub_overflow(static_cast<int64_t>(size_), offset, &target);
            break;
        default:
            overflow = true;
    }
    if (overflow || target < 0) {
        return -static_cast<int>(EngineCodeForOsError(EINVAL));
    }
    entry.Position = target;
    return target;
}

}  // namespace kartei
