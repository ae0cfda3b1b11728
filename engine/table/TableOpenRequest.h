#pragma once

#include <string>

namespace kartei {

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

}  // namespace kartei
