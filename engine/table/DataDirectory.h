#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/format/TableFileNames.h"
#include "engine/table/TableCreation.h"
#include "kartei/Directory.h"

namespace kartei {

class TDataSession;
class TDataTableImpl;

// The engine's side of a database directory (kartei/Directory.h), with the table objects opened in it. A
// table object goes when its last user closes it (unless a transaction keeps its files open until the
// transaction ends). Results of the open and close operations are 0 or negative engine codes; failures of
// the files themselves raise engine errors.
class TDataDirectoryImpl final : public TDataDirectory {
public:
    // Made by the session: the directory as given, the path file names are built on (empty in memory), and
    // the identity that tells directories apart.
    TDataDirectoryImpl(TDataSession& session, std::string directory, std::string path, std::string identity,
                       bool inMemory);
    // Closes every table; failures are dropped here.
    ~TDataDirectoryImpl() override;
    TDataDirectoryImpl(const TDataDirectoryImpl&) = delete;
    TDataDirectoryImpl& operator=(const TDataDirectoryImpl&) = delete;

    TDataSession& Session() const { return session_; }
    const std::string& Directory() const { return directory_; }
    const std::string& Path() const { return path_; }
    const std::string& Identity() const { return identity_; }
    bool InMemory() const { return inMemory_; }
    int ReferenceCount() const { return references_; }

    // Opens a table: the object of that name (trimmed, any case, same kind of files) is shared when in use,
    // unless it or the request is exclusive and the request does not join it (-AccessDenied); an unused one,
    // or a new one, opens its files (raising their failures; a new object is then not kept). A table opened
    // while a transaction is active joins it.
    int OpenTable(const TTableOpenRequest& request, TDataTableImpl*& table);
    // One user less; at none, outside a transaction, the table's files close and the object goes.
    // -InvalidPath for a table not in this directory.
    int CloseTable(TDataTableImpl* table);
    // One user more of a table object in use here (a second cursor on it); InvalidHandle for a table that is
    // not.
    void ShareTable(TDataTableImpl& table);
    // Creates the table's files as defined (replacing files of that name) and opens it as asked, with one
    // user. -AccessDenied when a table object of that name is in use. Engine errors for definitions that are
    // not valid, before any file is touched: see CreateTableFiles.
    int CreateTable(const TTableOpenRequest& request, const TTableDefinition& definition,
                    TDataTableImpl*& table);

    // The files of a table that has no table object here and that no other process has open (either is
    // AccessDenied; a table kept by a transaction is in use).
    // `inMemory` as for an open request. A table without its data file is InvalidPath (for that file); other
    // failures raise the file registry's code for the file concerned. (TableFiles.cpp)
    //
    // Deletes the data file, then the index file and the blob file where they exist. A data file that
    // cannot be deleted leaves everything as it was; a failure after it still deletes the rest and raises
    // the first failure. A failure the system gives no engine code for is CannotDeleteTable.
    void DeleteTable(std::string_view name, bool inMemory = false);
    // Renames every existing file of the table to the new name's. TableExists for the new name when a file of
    // it exists (nothing is replaced); InvalidPath for a blank new name. A failure halfway renames back what
    // was renamed, as far as it goes, and raises the first failure.
    void RenameTable(std::string_view name, std::string_view newName, bool inMemory = false);
    // Renames the table's files to its backup names (".DBK", ".IBK", ".BBK"), first deleting whatever
    // file has a backup name; a failure halfway is undone as for RenameTable.
    void RenameTableToBackup(std::string_view name, bool inMemory = false);

    // The table object of that name and kind, or nullptr.
    TDataTableImpl* FindTable(std::string_view name, bool inMemory) const;
    size_t TableCount() const { return tables_.size(); }

    // Transactions: every open table takes its transaction lock, keeps its changes in memory, and writes them
    // (commit) or drops them (rollback) at the end; tables closed meanwhile close then.
    bool TransactionActive() const { return transactionActive_; }
    void StartTransaction();
    void EndTransaction(bool commit);

    // The session's settings changed: the tables take them over.
    void SettingsChanged();

private:
    friend class TDataSession;
    void AddReference() { ++references_; }
    int ReleaseReference() { return --references_; }

    bool TableInMemory(const TTableOpenRequest& request) const { return inMemory_ || request.InMemory; }
    // A table opened while a transaction is active joins it; if it cannot, it closes again.
    void JoinActiveTransaction(TDataTableImpl& table);
    // Closes the files of an unused table and drops the object.
    void Drop(TDataTableImpl* table);
    // The table's files for DeleteTable and the renames, once no table object has them open and the data
    // file exists.
    TTableFileNames UnusedTableFiles(std::string_view name, bool inMemory) const;

    TDataSession& session_;
    std::string directory_;
    std::string path_;
    std::string identity_;
    bool inMemory_;
    int references_ = 1;
    bool transactionActive_ = false;
    std::vector<std::unique_ptr<TDataTableImpl>> tables_;
};

// The engine's side of a directory of the face.
inline TDataDirectoryImpl& Inside(TDataDirectory& directory) {
    return static_cast<TDataDirectoryImpl&>(directory);
}
inline const TDataDirectoryImpl& Inside(const TDataDirectory& directory) {
    return static_cast<const TDataDirectoryImpl&>(directory);
}

}  // namespace kartei
