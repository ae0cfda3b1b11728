#include "tools/TableStaging.h"

#include <cstdlib>
#include <filesystem>

#include "base/ScopeGuard.h"
#include "engine/errors/ErrorContext.h"
#include "engine/format/TableFileNames.h"
#include "kartei/Directory.h"
#include "tools/TableCheck.h"
#include "tools/ToolError.h"

namespace kartei::tools {

namespace fs = std::filesystem;

TTableStaging::TTableStaging(const std::string& targetDirectory) : target_(targetDirectory) {
    std::error_code error;
    if (!fs::exists(target_, error)) {
        targetMade_ = fs::create_directories(target_, error);
        if (error) {
            throw InputError("cannot create the directory '" + target_ + "': " + error.message());
        }
    } else if (!fs::is_directory(target_, error)) {
        throw InputError("'" + target_ + "' is not a directory");
    }
    std::string pattern = (fs::path(target_) / ".kartei-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        const std::string reason = std::error_code(errno, std::generic_category()).message();
        Discard();
        throw InputError("cannot create a scratch folder in '" + target_ + "': " + reason);
    }
    scratch_ = pattern;
    directory_ = &Inside(session_.OpenDirectory(scratch_));
}

TTableStaging::~TTableStaging() {
    if (!committed_) {
        Discard();
    }
}

TDataTableImpl& TTableStaging::Create(const std::string& name, const TTableDefinition& definition) {
    TTableOpenRequest request;
    request.Name = name;
    request.Exclusive = true;
    TDataTableImpl* table = nullptr;
    const int result = directory_->CreateTable(request, definition, table);
    if (result != 0) {
        RaiseKarteiError(static_cast<uint16_t>(-result), DataFileNameOf(name));
    }
    names_.push_back(name);
    open_.push_back(table);
    return *table;
}

void TTableStaging::CloseTables() {
    while (!open_.empty()) {
        TDataTableImpl* table = open_.back();
        open_.pop_back();
        directory_->CloseTable(table);
    }
}

void TTableStaging::Commit() {
    CloseTables();
    for (const std::string& name : names_) {
        TTableOpenRequest request;
        request.Name = name;
        TDataTableImpl* table = nullptr;
        if (const int result = directory_->OpenTable(request, table); result != 0) {
            RaiseKarteiError(static_cast<uint16_t>(-result), DataFileNameOf(name));
        }
        const std::vector<std::string> findings = CheckTable(*table);
        directory_->CloseTable(table);
        if (!findings.empty()) {
            throw DamagedError("the new table " + DataFileNameOf(name) +
                               " fails its check: " + findings.front());
        }
    }
    session_.CloseDirectory(directory_);
    directory_ = nullptr;
    for (const std::string& name : names_) {
        const TTableFileNames made = TableFileNames(scratch_, name);
        const TTableFileNames target = TableFileNames(target_, name);
        for (const auto& [from, to] : {std::pair{made.Index, target.Index}, std::pair{made.Blob, target.Blob},
                                       std::pair{made.Data, target.Data}}) {
            if (fs::exists(from)) {
                fs::rename(from, to);
            } else {
                fs::remove(to);
            }
        }
    }
    committed_ = true;
    fs::remove(scratch_);
}

void TTableStaging::Discard() noexcept {
    // What failed before is the failure reported.
    RunQuietly([this] {
        open_.clear();
        if (directory_ != nullptr) {
            session_.CloseDirectory(directory_);
            directory_ = nullptr;
        }
    });
    std::error_code ignored;
    if (!scratch_.empty()) {
        fs::remove_all(scratch_, ignored);
    }
    if (targetMade_) {
        fs::remove(target_, ignored);
    }
}

}  // namespace kartei::tools
