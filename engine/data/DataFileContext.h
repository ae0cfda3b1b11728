#pragma once

#include <string>

namespace kartei {

// What a data file needs from the table that owns it. The table implements it, from its session's
// settings and its own lock state, and outlives the data file's use of it.
class TDataFileContext {
public:
    virtual ~TDataFileContext() = default;

    // The table name engine errors carry (with ".DAT").
    virtual const std::string& TableName() const = 0;
    // Session settings: flush after every write; cursors never check for changes before a cache miss.
    virtual bool ForceBufferFlush() const = 0;
    virtual bool StrictChangeDetection() const = 0;
    // The table is open exclusively.
    virtual bool Exclusive() const = 0;
    // The table holds the transaction lock: its changes stay in the cache until the transaction ends.
    virtual bool TransactionLocked() const = 0;
    // Whether the data file wrote to the file since the table last reset the mark. The data file sets
    // it on every write; records appended since may not be on disk yet, so a short block read is then
    // accepted for an exclusive or transaction-locked table.
    virtual bool HasWrittenChanges() const = 0;
    virtual void NoteWrittenChanges() = 0;
};

}  // namespace kartei
