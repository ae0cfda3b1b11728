#include "tools/ReplacingFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <system_error>

#include "tools/ToolError.h"

namespace kartei::tools {
namespace {

namespace fs = std::filesystem;

constexpr int kAttempts = 100;

std::string SystemMessage(int error) {
    return std::error_code(error, std::generic_category()).message();
}

std::string FolderOf(const std::string& path) {
    const fs::path parent = fs::path(path).parent_path();
    return parent.empty() ? std::string(".") : parent.string();
}

// Writes the file's (or folder's) data to the disk.
void Sync(const std::string& path, int flags) {
    const int descriptor = open(path.c_str(), flags | O_CLOEXEC);
    if (descriptor < 0 || fsync(descriptor) != 0) {
        const int error = errno;
        if (descriptor >= 0) {
            close(descriptor);
        }
        throw InputError("cannot write '" + path + "' to the disk: " + SystemMessage(error));
    }
    close(descriptor);
}

}  // namespace

TReplacingFile::TReplacingFile(std::string target) : target_(std::move(target)) {
    const fs::path path(target_);
    const std::string stem = (path.parent_path() / ("." + path.filename().string() + ".kartei-")).string() +
                             std::to_string(getpid()) + "-";
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        const std::string candidate = stem + std::to_string(attempt);
        const int descriptor = open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (descriptor >= 0) {
            close(descriptor);
            temporary_ = candidate;
            return;
        }
        if (errno != EEXIST) {
            throw InputError("cannot create a file in '" + FolderOf(target_) + "': " + SystemMessage(errno));
        }
    }
    throw InputError("cannot create a file in '" + FolderOf(target_) +
                     "': too many leftover temporary files");
}

TReplacingFile::~TReplacingFile() {
    if (!committed_) {
        std::error_code ignored;
        fs::remove(temporary_, ignored);
    }
}

void TReplacingFile::Commit() {
    Sync(temporary_, O_RDONLY);
    if (rename(temporary_.c_str(), target_.c_str()) != 0) {
        throw InputError("cannot move the new file to '" + target_ + "': " + SystemMessage(errno));
    }
    committed_ = true;
    Sync(FolderOf(target_), O_RDONLY | O_DIRECTORY);
}

}  // namespace kartei::tools
