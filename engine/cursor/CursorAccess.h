#pragma once

// The cursor's operation frame, shared by its source files.
#include "engine/cursor/DataCursor.h"
#include "engine/table/DataTable.h"

namespace kartei {

// Every operation's frame: the table's read lock, then a look for changes by other users; after one the
// cursor finds its position again before the operation goes on. An operation made of others (reading
// several records) looks once, in its own frame: the lock it holds keeps other users' changes out.
class TDataCursor::TAccess {
public:
    explicit TAccess(TDataCursor& cursor) : cursor_(cursor), lock_(cursor.Table()) {
        const bool outermost = cursor.accessDepth_++ == 0;
        TDataTable& table = cursor.Table();
        // A read lock that was taken has looked already; a shared table without one looks now.
        if (outermost && !table.OthersKeptOut() && (!lock_.Taken() || table.ReadOnly())) {
            table.CheckForChanges();
        }
        if (cursor.StateChanged()) {
            cursor.Recover();
        }
    }

    ~TAccess() { --cursor_.accessDepth_; }
    TAccess(const TAccess&) = delete;
    TAccess& operator=(const TAccess&) = delete;

private:
    TDataCursor& cursor_;
    TDataTable::TReadAccess lock_;
};

}  // namespace kartei
