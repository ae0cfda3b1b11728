#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "kartei/Field.h"
#include "kartei/Index.h"

namespace kartei {

class TDataCursor;

// One open table of a directory, shared by every cursor on it: what its files describe, and the changes
// that go through them. Engine errors carry the table name (with ".DAT").
//
// A table whose files could be opened only for reading is read-only: every change is refused with
// AccessDenied. A change takes the table's write lock, moves the record's entries in every index and is
// written back before the lock goes (an exclusive table keeps it in its caches until it closes, a table in a
// transaction until the transaction ends).
class TDataTable {
public:
    virtual ~TDataTable() = default;
    TDataTable(const TDataTable&) = delete;
    TDataTable& operator=(const TDataTable&) = delete;

    // The table name engine errors carry, with ".DAT".
    const std::string& Name() const;
    bool ReadOnly() const;
    // The table's locale: the case rules of its string fields follow it (SetStringField).
    uint16_t LanguageId() const;
    uint16_t SortId() const;
    // The field descriptors, in field number order.
    std::span<const TFieldDescriptor> Fields() const;
    // The primary index has no fields: index slot 0 stands for record-number order.
    bool NoPrimaryKey() const;

    // Stores a new record (record size bytes; status, number and blob fields are the table's business) and
    // returns its record number. It gets the next auto-increment value. DuplicateKey when an index already
    // holds one of its keys, with nothing changed.
    int32_t InsertRecord(std::span<const uint8_t> image);
    // Replaces the fields of a live record; its identifier and blob fields stay. DuplicateKey, with nothing
    // changed, when a new key is taken; RecordNotFound for a number that is no slot, RecordChanged for a
    // deleted record.
    void ModifyRecord(int32_t recordNumber, std::span<const uint8_t> image);
    // Deletes a live record.
    void DeleteRecord(int32_t recordNumber);

    // A second cursor on this table, sharing it as it is open: the table's files are not checked again and
    // no password is asked for. It stands before the first record of the primary index (record order when
    // the table has no primary key).
    std::unique_ptr<TDataCursor> NewCursor();

protected:
    TDataTable() = default;
};

}  // namespace kartei
