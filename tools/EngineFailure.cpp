#include "tools/EngineFailure.h"

#include "base/Cp1252.h"
#include "kartei/ErrorCodes.h"
#include "tools/ToolError.h"

namespace kartei::tools {

std::string EngineMessage(const EKarteiEngineError& error) {
    return Cp1252ToUtf8(error.Message());
}

bool IsDamage(const EKarteiEngineError& error) {
    switch (error.ErrorCode()) {
        case ErrorCode::EndOfBlob:
        case ErrorCode::HeaderCorrupt:
        case ErrorCode::RecordBuffersCorrupt:
        case ErrorCode::BlobBuffersCorrupt:
        case ErrorCode::IndexPagesCorrupt:
        case ErrorCode::WrongVersion:
            return true;
        default:
            return false;
    }
}

int EngineFailureStatus(const EKarteiEngineError& error) {
    return IsDamage(error) ? ExitStatus::Damaged : ExitStatus::BadInput;
}

}  // namespace kartei::tools
