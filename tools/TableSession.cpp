#include "tools/TableSession.h"

#include <filesystem>

#include "engine/errors/ErrorContext.h"
#include "engine/format/DataHeader.h"
#include "engine/format/TableFileNames.h"
#include "tools/ToolError.h"

namespace kartei::tools {

namespace fs = std::filesystem;

TTableSession::TTableSession(const std::string& path) {
    const fs::path given(path);
    name_ = given.filename().string();
    const std::string directory = given.has_parent_path() ? given.parent_path().string() : std::string(".");
    if (IsBlankFileName(name_)) {
        throw InputError("'" + path + "' names no table");
    }
    fileNames_ = TableFileNames(directory, name_);
    const std::string& dataFile = fileNames_.Data;
    std::error_code error;
    const fs::file_status status = fs::status(dataFile, error);
    if (!fs::exists(status)) {
        throw InputError("'" + dataFile + "': no such table");
    }
    if (!fs::is_regular_file(status)) {
        throw InputError("'" + dataFile + "' is not a file");
    }
    // Shorter than a header: nothing the engine could even read as one.
    if (fs::file_size(dataFile, error) < kDataHeaderSize) {
        throw DamagedError("'" + dataFile + "' is not a Kartei table");
    }
    indexExisted_ = fs::exists(fileNames_.Index, error);
    directory_ = &Inside(session_.OpenDirectory(directory));
}

TTableSession::~TTableSession() {
    session_.CloseDirectory(directory_);
    if (!opened_ && !indexExisted_) {
        std::error_code ignored;
        fs::remove(fileNames_.Index, ignored);
    }
}

TTableOpenRequest TTableSession::Request() const {
    TTableOpenRequest request;
    request.Name = name_;
    return request;
}

TDataTableImpl& TTableSession::Open(bool verify) {
    if (table_ == nullptr) {
        TDataTableImpl* table = nullptr;
        const int result = directory_->OpenTable(Request(), table);
        if (result != 0) {
            RaiseKarteiError(static_cast<uint16_t>(-result), DataFileNameOf(name_));
        }
        table_ = table;
        if (verify) {
            table_->VerifyFiles();
        }
        table_->RebuildMissingIndex();
        opened_ = true;
    }
    return *table_;
}

TDataTableImpl& TTableSession::OpenForRepair() {
    TTableOpenRequest request = Request();
    request.Exclusive = true;
    request.SkipVerificationForRepair = true;
    TDataTableImpl* table = nullptr;
    const int result = directory_->OpenTable(request, table);
    if (result != 0) {
        RaiseKarteiError(static_cast<uint16_t>(-result), DataFileNameOf(name_));
    }
    table_ = table;
    opened_ = true;
    return *table_;
}

void TTableSession::OpenCursor(TDataCursorImpl& cursor) {
    cursor.Open(Request());
    opened_ = true;
}

}  // namespace kartei::tools
