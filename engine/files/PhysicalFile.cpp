#include "engine/files/PhysicalFile.h"

#include <cerrno>

#include "engine/files/LockLayout.h"
#include "engine/os/OsErrorMapping.h"
#include "kartei/ErrorCodes.h"

namespace kartei {
namespace {

int Failure(int osError) {
    return -static_cast<int>(EngineCodeForOsError(osError));
}

bool DeniedWriting(int osError) {
    return osError == EACCES || osError == EPERM || osError == EROFS;
}

}  // namespace

TPhysicalFile::~TPhysicalFile() {
    if (fd_ != InvalidOsHandle) {
        CloseDescriptor();
    }
}

int TPhysicalFile::OpenDescriptor(TOsOpenMode mode) {
    TOsFileSystem& os = OsFileSystem();
    int error = os.Open(name_, mode, TOsAccess::ReadWrite, fd_);
    writable_ = error == 0;
    if (DeniedWriting(error) && mode == TOsOpenMode::Existing) {
        error = os.Open(name_, mode, TOsAccess::ReadOnly, fd_);
        readOnly_ = openedReadOnly_ = true;
    }
    if (error != 0) {
        return Failure(error);
    }
    const TOsLockKind sharing = exclusive_ ? StrongestLock() : TOsLockKind::Read;
    error = os.LockRange(fd_, LockLayout::SharingLockOffset, LockLayout::SharingLockLength, sharing);
    if (error != 0) {
        CloseDescriptor();
        return Failure(error);
    }
    return 0;
}

void TPhysicalFile::CloseDescriptor() {
    TOsFileSystem& os = OsFileSystem();
    ForgetLocks();  // the system drops them with the descriptor
    os.Close(fd_);
    if (deleteOnClose_) {
        os.Unlink(name_);
    }
    fd_ = InvalidOsHandle;
    writable_ = false;
    deleteOnClose_ = false;
}

int TPhysicalFile::Create() {
    std::lock_guard lock(guard_);
    if (OpenCount() > 0) {
        return -ErrorCode::AccessDenied;
    }
    // A file with the read-only attribute is never overwritten, not even by the superuser.
    TOsFileAttributes attributes;
    if (OsFileSystem().Attributes(name_, attributes) == 0 &&
        (attributes.ReadOnly || attributes.IsDirectory)) {
        return -ErrorCode::AccessDenied;
    }
    exclusive_ = true;  // a new file is not shared until its creator closes it
    readOnly_ = openedReadOnly_ = false;
    deleteOnClose_ = false;
    if (const int result = OpenDescriptor(TOsOpenMode::CreateOrExisting); result < 0) {
        return result;
    }
    // Truncated only now: a file that another process has open must keep its contents.
    if (const int error = OsFileSystem().Truncate(fd_, 0); error != 0) {
        CloseDescriptor();
        return Failure(error);
    }
    position_ = 0;
    return AddHandle();
}

int TPhysicalFile::Open() {
    std::lock_guard lock(guard_);
    if (fd_ != InvalidOsHandle) {
        return AddHandle();
    }
    TOsFileAttributes attributes;
    if (const int error = OsFileSystem().Attributes(name_, attributes); error != 0) {
        return Failure(error);
    }
    if (attributes.IsDirectory) {
        return -ErrorCode::AccessDenied;
    }
    readOnly_ = openedReadOnly_ = attributes.ReadOnly;
    if (const int result = OpenDescriptor(TOsOpenMode::Existing); result < 0) {
        return result;
    }
    deleteOnClose_ = temporary_;
    position_ = 0;
    return AddHandle();
}

int TPhysicalFile::CloseHandle(int handle) {
    std::lock_guard lock(guard_);
    const int index = FindHandle(handle);
    if (index < 0) {
        return -ErrorCode::InvalidPath;
    }
    RemoveHandleAt(index);
    if (OpenCount() == 0) {
        CloseDescriptor();
    }
    return 0;
}

int TPhysicalFile::Rename(const std::string& newName) {
    std::lock_guard lock(guard_);
    if (const int error = OsFileSystem().Rename(name_, newName); error != 0) {
        return Failure(error);
    }
    name_ = newName;
    return 0;
}

int TPhysicalFile::Delete() {
    std::lock_guard lock(guard_);
    const int error = OsFileSystem().Unlink(name_);
    return error != 0 ? Failure(error) : 0;
}

int64_t TPhysicalFile::Read(int handle, void* buffer, size_t count) {
    std::lock_guard lock(guard_);
    if (FindHandle(handle) < 0) {
        return -ErrorCode::InvalidHandle;
    }
    size_t done = 0;
    const int error = OsFileSystem().ReadAt(fd_, buffer, count, position_, done);
    position_ += done;
    return error != 0 ? Failure(error) : static_cast<int64_t>(done);
}

int64_t TPhysicalFile::Write(int handle, const void* buffer, size_t count) {
    std::lock_guard lock(guard_);
    if (FindHandle(handle) < 0) {
        return -ErrorCode::InvalidHandle;
    }
    if (readOnly_) {
        return -ErrorCode::AccessDenied;
    }
    if (count == 0) {
        const int error = OsFileSystem().Truncate(fd_, position_);
        return error != 0 ? Failure(error) : 0;
    }
    size_t done = 0;
    const int error = OsFileSystem().WriteAt(fd_, buffer, count, position_, done);
    position_ += done;
    return error != 0 ? Failure(error) : static_cast<int64_t>(done);
}

int TPhysicalFile::Flush(int handle) {
    std::lock_guard lock(guard_);
    if (FindHandle(handle) < 0) {
        return -ErrorCode::InvalidHandle;
    }
    const int error = OsFileSystem().Flush(fd_);
    return error != 0 ? Failure(error) : 0;
}

int64_t TPhysicalFile::Seek(int handle, int64_t offset, TSeekOrigin origin) {
    std::lock_guard lock(guard_);
    if (FindHandle(handle) < 0) {
        return -ErrorCode::InvalidHandle;
    }
    int64_t base = 0;
    switch (origin) {
        case TSeekOrigin::Start:
            break;
        case TSeekOrigin::Current:
            base = static_cast<int64_t>(position_);
            break;
        case TSeekOrigin::End: {
            uint64_t size = 0;
            if (const int error = OsFileSystem().Size(fd_, size); error != 0) {
                return Failure(error);
            }
            base = static_cast<int64_t>(size);
            break;
        }
        default:
            return Failure(EINVAL);
    }
    int64_t target = 0;
    if (__builtin_add_overflow(base, offset, &target) || target < 0) {
        return Failure(EINVAL);
    }
    position_ = static_cast<uint64_t>(target);
    return target;
}

bool TPhysicalFile::LockRange(uint32_t offset, uint32_t length) {
    std::lock_guard lock(guard_);
    if (fd_ == InvalidOsHandle || !TAbstractFile::LockRange(offset, length)) {
        return false;
    }
    if (OsFileSystem().LockRange(fd_, offset, length, StrongestLock()) != 0) {
        RemoveLockAt(FindLock(offset, length));
        return false;
    }
    return true;
}

bool TPhysicalFile::UnlockRange(uint32_t offset, uint32_t length) {
    std::lock_guard lock(guard_);
    const int index = FindLock(offset, length);
    if (index < 0 || OsFileSystem().UnlockRange(fd_, offset, length) != 0) {
        return false;
    }
    RemoveLockAt(index);
    return true;
}

}  // namespace kartei
