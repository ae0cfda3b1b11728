// TDataDirectory: deleting and renaming the files of a table, and renaming them to their backup names.
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/errors/ErrorCodes.h"
#include "engine/errors/ErrorContext.h"
#include "engine/files/FileList.h"
#include "engine/os/OsErrorMapping.h"
#include "engine/table/DataDirectory.h"
#include "engine/table/DataTable.h"

namespace kartei {
namespace {

// Where the table's files are: memory files have bare names.
std::string_view FilesPath(const TDataDirectory& directory, bool inMemory) {
    return inMemory ? std::string_view() : std::string_view(directory.Path());
}

// A file operation's failure: the registry's code, and the system's error number when it had no engine
// code of its own.
struct TFileFailure {
    uint16_t Code = 0;
    uint16_t OsError = 0;
    std::string FileName;
};

TFileFailure FailureOf(int result, std::string_view fileName) {
    const uint16_t code = static_cast<uint16_t>(-result);
    return {code, code == ErrorCode::UnknownOsError ? LastUnknownOsError() : uint16_t{0},
            std::string(fileName)};
}

[[noreturn]] void Raise(const TFileFailure& failure) {
    RaiseKarteiOsError(failure.Code, failure.FileName, failure.OsError);
}

std::vector<std::pair<std::string, std::string>> Moves(const TTableFileNames& from,
                                                       const TTableFileNames& to) {
    return {{from.Data, to.Data}, {from.Index, to.Index}, {from.Blob, to.Blob}};
}

// Renames every file of `moves` that exists, in order. A failure renames back what was renamed, latest
// first, so that the table is not left split between two names, and raises.
void RenameFiles(const std::vector<std::pair<std::string, std::string>>& moves, bool inMemory) {
    TFileList& files = FileList();
    std::vector<const std::pair<std::string, std::string>*> done;
    for (const auto& move : moves) {
        if (!files.Exists(move.first, inMemory)) {
            continue;
        }
        if (const int result = files.Rename(move.first, inMemory, move.second); result < 0) {
            const TFileFailure failure = FailureOf(result, move.first);
            while (!done.empty()) {
                // Best effort: the failure that stopped the rename is the one reported.
                files.Rename(done.back()->second, inMemory, done.back()->first);
                done.pop_back();
            }
            Raise(failure);
        }
        done.push_back(&move);
    }
}

// Deletes the file when it exists; the failure, if any.
TFileFailure DeleteIfPresent(const std::string& fileName, bool inMemory) {
    TFileList& files = FileList();
    if (!files.Exists(fileName, inMemory)) {
        return {};
    }
    const int result = files.Delete(fileName, inMemory);
    if (result >= 0) {
        return {};
    }
    TFileFailure failure = FailureOf(result, fileName);
    // The system refused for a reason the engine has no code for: the table could not be deleted.
    if (failure.Code == ErrorCode::UnknownOsError) {
        failure.Code = ErrorCode::CannotDeleteTable;
    }
    return failure;
}

}  // namespace

TTableFileNames TDataDirectory::UnusedTableFiles(std::string_view name, bool inMemory) const {
    if (const TDataTable* table = FindTable(name, inMemory)) {
        RaiseKarteiError(ErrorCode::AccessDenied, table->Name());
    }
    TTableFileNames names = TableFileNames(FilesPath(*this, inMemory), name);
    if (!FileList().Exists(names.Data, inMemory)) {
        RaiseKarteiError(ErrorCode::InvalidPath, names.Data);
    }
    return names;
}

void TDataDirectory::DeleteTable(std::string_view name, bool inMemory) {
    inMemory = inMemory_ || inMemory;
    const TTableFileNames names = UnusedTableFiles(name, inMemory);
    // The data file first: while it stays, so does the table, whole.
    if (const TFileFailure failure = DeleteIfPresent(names.Data, inMemory); failure.Code != 0) {
        Raise(failure);
    }
    TFileFailure first = DeleteIfPresent(names.Index, inMemory);
    if (const TFileFailure blob = DeleteIfPresent(names.Blob, inMemory); first.Code == 0) {
        first = blob;
    }
    if (first.Code != 0) {
        Raise(first);
    }
}

void TDataDirectory::RenameTable(std::string_view name, std::string_view newName, bool inMemory) {
    inMemory = inMemory_ || inMemory;
    const TTableFileNames targets = TableFileNames(FilesPath(*this, inMemory), newName);
    CheckNewFileName(targets.Data);
    const TTableFileNames names = UnusedTableFiles(name, inMemory);
    for (const std::string* target : {&targets.Data, &targets.Index, &targets.Blob}) {
        if (FileList().Exists(*target, inMemory)) {
            RaiseKarteiError(ErrorCode::TableExists, DataFileNameOf(newName));
        }
    }
    RenameFiles(Moves(names, targets), inMemory);
}

void TDataDirectory::RenameTableToBackup(std::string_view name, bool inMemory) {
    inMemory = inMemory_ || inMemory;
    const TTableFileNames names = UnusedTableFiles(name, inMemory);
    const TTableFileNames backups = TableBackupFileNames(FilesPath(*this, inMemory), name);
    for (const std::string* backup : {&backups.Data, &backups.Index, &backups.Blob}) {
        if (const TFileFailure failure = DeleteIfPresent(*backup, inMemory); failure.Code != 0) {
            Raise(failure);
        }
    }
    RenameFiles(Moves(names, backups), inMemory);
}

}  // namespace kartei
