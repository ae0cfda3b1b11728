#include "engine/os/OsErrorMapping.h"

#include <cerrno>

#include "kartei/ErrorCodes.h"

namespace kartei {
namespace {

thread_local uint16_t lastUnknownOsError = 0;

}  // namespace

uint16_t EngineCodeForOsError(int osError) {
    switch (osError) {
        case ENOENT:
        case ENOTDIR:
            return ErrorCode::InvalidPath;
        case EMFILE:
        case ENFILE:
            return ErrorCode::TooManyFiles;
        case EACCES:
        case EPERM:
        case EAGAIN:  // a refused lock: another opener does not share the file
            return ErrorCode::AccessDenied;
        case EBADF:
            return ErrorCode::InvalidHandle;
        case ENOMEM:
            return ErrorCode::OutOfMemory;
        case ENXIO:
        case ENODEV:
            return ErrorCode::DeviceAccessDenied;
        case EXDEV:
            return ErrorCode::TableMoved;
        default:
            lastUnknownOsError = static_cast<uint16_t>(osError);
            return ErrorCode::UnknownOsError;
    }
}

uint16_t LastUnknownOsError() {
    return lastUnknownOsError;
}

}  // namespace kartei
