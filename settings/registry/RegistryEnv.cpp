#include "settings/registry/RegistryEnv.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

namespace settings {
namespace {

class TPosixWritableFile final : public TWritableFile {
public:
    explicit TPosixWritableFile(int fd) : fd_(fd) {}
    ~TPosixWritableFile() override {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    TPosixWritableFile(const TPosixWritableFile&) = delete;
    TPosixWritableFile& operator=(const TPosixWritableFile&) = delete;

    int Append(std::string_view data) override {
        while (!data.empty()) {
            const ssize_t written = ::write(fd_, data.data(), data.size());
            if (written < 0) {
                if (errno == EINTR) {
                    continue;
                }
                return errno;
            }
            data.remove_prefix(static_cast<size_t>(written));
        }
        return 0;
    }

    int Sync() override { return ::fsync(fd_) == 0 ? 0 : errno; }

    int Close() override { return ::close(std::exchange(fd_, -1)) == 0 ? 0 : errno; }

private:
    int fd_;
};

class TPosixFileLock final : public TFileLock {
public:
    explicit TPosixFileLock(int fd) : fd_(fd) {}
    // Closing the descriptor drops the flock.
    ~TPosixFileLock() override { ::close(fd_); }
    TPosixFileLock(const TPosixFileLock&) = delete;
    TPosixFileLock& operator=(const TPosixFileLock&) = delete;

private:
    int fd_;
};

class TPosixRegistryEnv final : public TRegistryEnv {
public:
    int ReadFile(const std::string& path, std::string& contents) override {
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            return errno;
        }
        contents.clear();
        char buffer[8192];
        int error = 0;
        for (;;) {
            const ssize_t count = ::read(fd, buffer, sizeof buffer);
            if (count < 0 && errno == EINTR) {
                continue;
            }
            if (count <= 0) {
                error = count < 0 ? errno : 0;
                break;
            }
            contents.append(buffer, static_cast<size_t>(count));
        }
        ::close(fd);
        return error;
    }

    int NewWritableFile(const std::string& path, std::unique_ptr<TWritableFile>& file) override {
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        if (fd < 0) {
            return errno;
        }
        file = std::make_unique<TPosixWritableFile>(fd);
        return 0;
    }

    int RenameFile(const std::string& from, const std::string& to) override {
        return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
    }

    int RemoveFile(const std::string& path) override { return ::unlink(path.c_str()) == 0 ? 0 : errno; }

    int CreateDir(const std::string& path) override {
        for (size_t end = path.find('/', 1);; end = path.find('/', end + 1)) {
            const std::string prefix = path.substr(0, end);
            if (::mkdir(prefix.c_str(), 0700) != 0 && errno != EEXIST) {
                return errno;
            }
            if (end == std::string::npos) {
                return 0;
            }
        }
    }

    int SyncDir(const std::string& path) override {
        const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0) {
            return errno;
        }
        const int error = ::fsync(fd) == 0 ? 0 : errno;
        ::close(fd);
        return error;
    }

    int LockFile(const std::string& path, std::unique_ptr<TFileLock>& lock) override {
        const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
        if (fd < 0) {
            return errno;
        }
        while (::flock(fd, LOCK_EX) != 0) {
            if (errno != EINTR) {
                const int error = errno;
                ::close(fd);
                return error;
            }
        }
        lock = std::make_unique<TPosixFileLock>(fd);
        return 0;
    }
};

}  // namespace

TRegistryEnv& TRegistryEnv::Default() {
    static TPosixRegistryEnv env;
    return env;
}

}  // namespace settings
