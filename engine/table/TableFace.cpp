// The face's TDataTable (kartei/Table.h) and TDataDirectory (kartei/Directory.h).
#include "engine/cursor/DataCursor.h"
#include "engine/table/DataDirectory.h"
#include "engine/table/DataTable.h"

namespace kartei {

TDataSession& TDataDirectory::Session() const {
    return Inside(*this).Session();
}

const std::string& TDataDirectory::Directory() const {
    return Inside(*this).Directory();
}

const std::string& TDataDirectory::Path() const {
    return Inside(*this).Path();
}

int TDataDirectory::ReferenceCount() const {
    return Inside(*this).ReferenceCount();
}

bool TDataDirectory::InMemory() const {
    return Inside(*this).InMemory();
}

std::unique_ptr<TDataCursor> TDataDirectory::NewCursor() {
    return std::make_unique<TDataCursorImpl>(Inside(*this));
}

const std::string& TDataTable::Name() const {
    return Inside(*this).Name();
}

bool TDataTable::ReadOnly() const {
    return Inside(*this).ReadOnly();
}

uint16_t TDataTable::LanguageId() const {
    return Inside(*this).Header().LanguageId;
}

uint16_t TDataTable::SortId() const {
    return Inside(*this).Header().SortId;
}

std::span<const TFieldDescriptor> TDataTable::Fields() const {
    return Inside(*this).Fields();
}

bool TDataTable::NoPrimaryKey() const {
    return Inside(*this).NoPrimaryKey();
}

int32_t TDataTable::InsertRecord(std::span<const uint8_t> image) {
    return Inside(*this).InsertRecord(image);
}

void TDataTable::ModifyRecord(int32_t recordNumber, std::span<const uint8_t> image) {
    Inside(*this).ModifyRecord(recordNumber, image);
}

void TDataTable::DeleteRecord(int32_t recordNumber) {
    Inside(*this).DeleteRecord(recordNumber);
}

std::unique_ptr<TDataCursor> TDataTable::NewCursor() {
    TDataTableImpl& table = Inside(*this);
    auto cursor = std::make_unique<TDataCursorImpl>(table.Directory());
    cursor->OpenShared(table);
    return cursor;
}

}  // namespace kartei
