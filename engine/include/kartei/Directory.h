#pragma once

#include <memory>
#include <string>

namespace kartei {

class TDataCursor;
class TDataSession;

// What a cursor asks for when it opens a table in a directory.
struct TTableOpenRequest {
    // The table name; ".DAT" is supplied when it has no such extension.
    std::string Name;
    // The table's files are memory files (always so in the in-memory database).
    bool InMemory = false;
    bool Exclusive = false;
    // Shares a table that is in use even when it, or this request, is exclusive.
    bool Join = false;
    // Either option skips the check of the table's files by the first cursor: the first for callers that
    // trust the files, the second for tools that open damaged tables to repair them.
    bool SkipVerification = false;
    bool SkipVerificationForRepair = false;

    bool VerificationWanted() const { return !SkipVerification && !SkipVerificationForRepair; }
};

// One database directory of an engine session (TDataSession::OpenDirectory), in which cursors open
// tables. Each table name has one table object, shared by every cursor that opens it.
class TDataDirectory {
public:
    virtual ~TDataDirectory() = default;
    TDataDirectory(const TDataDirectory&) = delete;
    TDataDirectory& operator=(const TDataDirectory&) = delete;

    TDataSession& Session() const;
    // The directory as it was given to the session, and the path its files are named in (with a trailing
    // '/'; empty in memory).
    const std::string& Directory() const;
    const std::string& Path() const;
    bool InMemory() const;
    // How many times the session has handed out this directory and not had it back.
    int ReferenceCount() const;

    // A cursor in this directory, to be opened on a table (TDataCursor::Open).
    std::unique_ptr<TDataCursor> NewCursor();

protected:
    TDataDirectory() = default;
};

}  // namespace kartei
