#include "engine/os/PosixFileSystem.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <thread>

namespace kartei {
namespace {

int LastError() {
    return errno;
}

int SetOfdLock(TOsHandle handle, short type, uint64_t offset, uint64_t length) {
    struct flock lock {};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    lock.l_start = static_cast<off_t>(offset);
    lock.l_len = static_cast<off_t>(length);
    if (fcntl(handle, F_OFD_SETLK, &lock) == 0) {
        return 0;
    }
    // Both values mean "held by someone else"; report one.
    return errno == EACCES ? EAGAIN : LastError();
}

}  // namespace

int TPosixFileSystem::Open(const std::string& path, TOsOpenMode mode, TOsAccess access, TOsHandle& handle) {
    int flags = O_CLOEXEC | (access == TOsAccess::ReadWrite ? O_RDWR : O_RDONLY);
    if (mode == TOsOpenMode::CreateOrExisting) {
        flags |= O_CREAT;
    }
    int fd;
    do {
        fd = ::open(path.c_str(), flags, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        handle = InvalidOsHandle;
        return LastError();
    }
    // Table files are read in records and pages all over the file; read-ahead would be wasted.
    posix_fadvise(fd, 0, 0, POSIX_FADV_RANDOM);
    handle = fd;
    return 0;
}

int TPosixFileSystem::Close(TOsHandle handle) {
    return ::close(handle) == 0 ? 0 : LastError();
}

int TPosixFileSystem::ReadAt(TOsHandle handle, void* buffer, size_t count, uint64_t offset, size_t& done) {
    done = 0;
    auto* bytes = static_cast<char*>(buffer);
    while (done < count) {
        const ssize_t got = ::pread(handle, bytes + done, count - done, static_cast<off_t>(offset + done));
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            return LastError();
        }
        if (got == 0) {
            break;
        }
        done += static_cast<size_t>(got);
    }
    return 0;
}

int TPosixFileSystem::WriteAt(TOsHandle handle, const void* buffer, size_t count, uint64_t offset,
                              size_t& done) {
    done = 0;
    const auto* bytes = static_cast<const char*>(buffer);
    while (done < count) {
        const ssize_t put = ::pwrite(handle, bytes + done, count - done, static_cast<off_t>(offset + done));
        if (put < 0) {
            if (errno == EINTR) {
                continue;
            }
            return LastError();
        }
        done += static_cast<size_t>(put);
    }
    return 0;
}

int TPosixFileSystem::Truncate(TOsHandle handle, uint64_t size) {
    return ::ftruncate(handle, static_cast<off_t>(size)) == 0 ? 0 : LastError();
}

int TPosixFileSystem::Flush(TOsHandle handle) {
    return ::fsync(handle) == 0 ? 0 : LastError();
}

int TPosixFileSystem::Size(TOsHandle handle, uint64_t& size) {
    struct stat status {};
    if (::fstat(handle, &status) != 0) {
        return LastError();
    }
    size = static_cast<uint64_t>(status.st_size);
    return 0;
}

int TPosixFileSystem::LockRange(TOsHandle handle, uint64_t offset, uint64_t length, TOsLockKind kind) {
    return SetOfdLock(handle, kind == TOsLockKind::Write ? F_WRLCK : F_RDLCK, offset, length);
}

int TPosixFileSystem::UnlockRange(TOsHandle handle, uint64_t offset, uint64_t length) {
    return SetOfdLock(handle, F_UNLCK, offset, length);
}

int TPosixFileSystem::Attributes(const std::string& path, TOsFileAttributes& attributes) {
    attributes = TOsFileAttributes{};
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) {
        return LastError();
    }
    attributes.Exists = true;
    attributes.IsDirectory = S_ISDIR(status.st_mode);
    // The superuser passes every access check, so the permission bits decide for it.
    attributes.ReadOnly = (status.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 ||
                          ::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0;
    return 0;
}

int TPosixFileSystem::Unlink(const std::string& path) {
    return ::unlink(path.c_str()) == 0 ? 0 : LastError();
}

int TPosixFileSystem::Rename(const std::string& from, const std::string& to) {
    return ::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0 ? 0 : LastError();
}

void TPosixFileSystem::SleepMs(uint32_t milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

TOsFileSystem& PosixFileSystem() {
    static TPosixFileSystem instance;
    return instance;
}

}  // namespace kartei
