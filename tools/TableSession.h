#pragma once

#include <string>

#include "engine/cursor/DataCursor.h"
#include "engine/format/TableFileNames.h"
#include "engine/table/DataDirectory.h"
#include "engine/table/DataTable.h"
#include "kartei/Directory.h"
#include "kartei/Session.h"

namespace kartei::tools {

// An engine session on the directory of a table named by a path as the user gave it ("db/City.DAT",
// "db/City"): the data file must exist and be at least a header long (else EToolError). The table, once
// opened, is closed with the session. An index file that the engine made for a table that then failed to
// open is removed again, so that looking at a file that is no table leaves nothing behind.
class TTableSession {
public:
    explicit TTableSession(const std::string& path);
    ~TTableSession();
    TTableSession(const TTableSession&) = delete;
    TTableSession& operator=(const TTableSession&) = delete;

    TDataDirectoryImpl& Directory() { return *directory_; }
    // The request for the table, shared (never exclusive), so that other users may go on.
    TTableOpenRequest Request() const;
    // The table's files in its directory.
    const TTableFileNames& FileNames() const { return fileNames_; }
    const std::string& DataFile() const { return fileNames_.Data; }

    // Opens the table. `verify`: the checks the first user makes, raised as engine errors. An index file
    // that was missing is rebuilt (only the primary and deleted-record indexes survive such a loss).
    TDataTableImpl& Open(bool verify);
    // Opens the table exclusively, without the first user's checks and without rebuilding a missing index
    // file, so that the caller can settle the new file's indexes first. TableLocked when another user has it
    // open.
    TDataTableImpl& OpenForRepair();
    // Opens a cursor on the table's primary index (record order when it has no fields).
    void OpenCursor(TDataCursorImpl& cursor);

private:
    std::string name_;
    TTableFileNames fileNames_;
    TDataSession session_;
    TDataDirectoryImpl* directory_ = nullptr;
    TDataTableImpl* table_ = nullptr;
    bool indexExisted_ = false;
    bool opened_ = false;
};

}  // namespace kartei::tools
