#include "engine/files/FileHandler.h"

#include "engine/errors/EngineError.h"
#include "engine/errors/ErrorCodes.h"
#include "engine/errors/ErrorContext.h"
#include "engine/files/FileList.h"
#include "engine/os/OsErrorMapping.h"

namespace kartei {
namespace {

// Raises code for the file; the error context keeps the system's error number when the failure was one
// without an engine code of its own.
[[noreturn]] void RaiseFileError(uint16_t code, int64_t result, std::string_view fileName) {
    const uint16_t osError = result == -ErrorCode::UnknownOsError ? LastUnknownOsError() : 0;
    RaiseKarteiOsError(code, fileName, osError);
}

[[noreturn]] void RaiseResult(int64_t result, std::string_view fileName) {
    RaiseFileError(static_cast<uint16_t>(-result), result, fileName);
}

}  // namespace

TFileHandler::~TFileHandler() {
    try {
        Close();
    } catch (const EKarteiEngineError&) {
        // Nothing left to report to.
    }
}

TAbstractFile& TFileHandler::OpenFile() const {
    if (!open_) {
        RaiseKarteiError(ErrorCode::InvalidHandle, fileName_);
    }
    return *file_;
}

void TFileHandler::Opened(int handle, TAbstractFile* file, bool exclusive, bool temporary,
                          bool openedReadOnly) {
    handle_ = handle;
    file_ = file;
    open_ = true;
    exclusive_ = exclusive;
    temporary_ = temporary;
    openedReadOnly_ = openedReadOnly;
}

void TFileHandler::Open(std::string_view fileName, bool exclusive, bool temporary) {
    Close();
    fileName_ = std::string(fileName);
    if (!Exists(fileName)) {
        RaiseKarteiError(ErrorCode::InvalidPath, fileName);
    }
    TAbstractFile* file = nullptr;
    bool openedReadOnly = false;
    const int handle = FileList().Open(fileName, inMemory_, temporary, exclusive, file, openedReadOnly);
    if (handle < 0) {
        RaiseResult(handle, fileName);
    }
    Opened(handle, file, exclusive, temporary, openedReadOnly);
}

void TFileHandler::Close() {
    if (!open_) {
        return;
    }
    const int result = FileList().Close(file_, handle_);
    file_ = nullptr;
    handle_ = 0;
    open_ = false;
    if (result < 0) {
        RaiseResult(result, fileName_);
    }
}

void TFileHandler::Create(std::string_view fileName, bool temporary) {
    Close();
    fileName_ = std::string(fileName);
    TAbstractFile* file = nullptr;
    const int handle = FileList().Create(fileName, inMemory_, temporary, file);
    if (handle < 0) {
        RaiseResult(handle, fileName);
    }
    Opened(handle, file, true, temporary, false);
}

void TFileHandler::Delete(std::string_view fileName) {
    if (const int result = FileList().Delete(fileName, inMemory_); result < 0) {
        RaiseResult(result, fileName);
    }
}

void TFileHandler::Rename(std::string_view fileName, std::string_view newName) {
    if (const int result = FileList().Rename(fileName, inMemory_, newName); result < 0) {
        RaiseResult(result, fileName);
    }
}

void TFileHandler::SaveCopy(std::string_view targetName) {
    if (const int result = FileList().SaveCopy(&OpenFile(), handle_, targetName); result < 0) {
        RaiseResult(result, fileName_);
    }
}

void TFileHandler::LoadCopy(std::string_view sourceName) {
    if (const int result = FileList().LoadCopy(&OpenFile(), handle_, sourceName); result < 0) {
        RaiseResult(result, fileName_);
    }
}

bool TFileHandler::Exists(std::string_view fileName) const {
    return FileList().Exists(fileName, inMemory_);
}

size_t TFileHandler::Read(void* buffer, size_t count, bool allowShortRead) {
    const int64_t got = OpenFile().Read(handle_, buffer, count);
    if (got < 0 || (static_cast<size_t>(got) < count && !allowShortRead)) {
        RaiseFileError(ErrorCode::ReadError, got, fileName_);
    }
    return static_cast<size_t>(got);
}

void TFileHandler::Write(const void* buffer, size_t count) {
    if (watcher_ != nullptr) {
        watcher_->BeforeWrite(*this, OpenFile().Seek(handle_, 0, TSeekOrigin::Current), count);
    }
    const int64_t put = OpenFile().Write(handle_, buffer, count);
    if (put < 0 || static_cast<size_t>(put) < count) {
        RaiseFileError(ErrorCode::WriteError, put, fileName_);
    }
}

void TFileHandler::Flush() {
    if (const int result = OpenFile().Flush(handle_); result < 0) {
        RaiseFileError(ErrorCode::WriteError, result, fileName_);
    }
}

int64_t TFileHandler::Seek(int64_t offset, TSeekOrigin origin) {
    const int64_t position = OpenFile().Seek(handle_, offset, origin);
    if (position < 0) {
        RaiseResult(position, fileName_);
    }
    return position;
}

bool TFileHandler::LockRange(uint32_t offset, uint32_t length) {
    return open_ && file_->LockRange(offset, length);
}

bool TFileHandler::UnlockRange(uint32_t offset, uint32_t length) {
    return open_ && file_->UnlockRange(offset, length);
}

int64_t TFileHandler::Size() {
    TFileGuard guard(*this);
    const int64_t position = Seek(0, TSeekOrigin::Current);
    const int64_t size = Seek(0, TSeekOrigin::End);
    Seek(position, TSeekOrigin::Start);
    return size;
}

void TFileHandler::Enter() {
    OpenFile().Guard().lock();
}

void TFileHandler::Leave() {
    if (open_) {
        file_->Guard().unlock();
    }
}

}  // namespace kartei
