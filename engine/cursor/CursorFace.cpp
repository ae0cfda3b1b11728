// The face's TDataCursor (kartei/Cursor.h): every operation is the engine cursor's own.
#include "engine/cursor/DataCursor.h"
#include "engine/table/DataTable.h"

namespace kartei {

void TDataCursor::Open(const TTableOpenRequest& request, bool naturalOrder) {
    Inside(*this).Open(request, naturalOrder);
}

void TDataCursor::Close() {
    Inside(*this).Close();
}

bool TDataCursor::IsOpen() const {
    return Inside(*this).IsOpen();
}

TDataTable& TDataCursor::Table() const {
    return Inside(*this).Table();
}

uint16_t TDataCursor::RecordSize() const {
    return Inside(*this).RecordSize();
}

void TDataCursor::SelectIndex(std::string_view name) {
    Inside(*this).SelectIndex(name);
}

int TDataCursor::CurrentIndexSlot() const {
    return Inside(*this).CurrentIndexSlot();
}

bool TDataCursor::NaturalOrder() const {
    return Inside(*this).NaturalOrder();
}

int TDataCursor::SecondaryIndexCount() const {
    return Inside(*this).SecondaryIndexCount();
}

TIndexDescriptor TDataCursor::IndexDescriptor(int slot) const {
    return Inside(*this).IndexDescriptor(slot);
}

void TDataCursor::First() {
    Inside(*this).First();
}

void TDataCursor::Last() {
    Inside(*this).Last();
}

int TDataCursor::GetNext(std::span<uint8_t> buffer) {
    return Inside(*this).GetNext(buffer);
}

int TDataCursor::GetPrior(std::span<uint8_t> buffer) {
    return Inside(*this).GetPrior(buffer);
}

int32_t TDataCursor::GetNextRecords(std::span<uint8_t> images, int32_t count) {
    return Inside(*this).GetNextRecords(images, count);
}

int TDataCursor::GetCurrent(std::span<uint8_t> buffer, bool recheck) {
    return Inside(*this).GetCurrent(buffer, recheck);
}

void TDataCursor::MoveBy(int32_t n) {
    Inside(*this).MoveBy(n);
}

bool TDataCursor::Bof() const {
    return Inside(*this).Bof();
}

bool TDataCursor::Eof() const {
    return Inside(*this).Eof();
}

int32_t TDataCursor::RecordCount() {
    return Inside(*this).RecordCount();
}

int32_t TDataCursor::Ordinal() {
    return Inside(*this).Ordinal();
}

void TDataCursor::GoToOrdinal(int32_t n) {
    Inside(*this).GoToOrdinal(n);
}

int32_t TDataCursor::CurrentRecordNumber() {
    return Inside(*this).CurrentRecordNumber();
}

size_t TDataCursor::BookmarkSize() const {
    return Inside(*this).BookmarkSize();
}

void TDataCursor::GetBookmark(std::span<uint8_t> bookmark) {
    Inside(*this).GetBookmark(bookmark);
}

bool TDataCursor::GoToBookmark(std::span<const uint8_t> bookmark) {
    return Inside(*this).GoToBookmark(bookmark);
}

int TDataCursor::CompareBookmarks(std::span<const uint8_t> a, std::span<const uint8_t> b) const {
    return Inside(*this).CompareBookmarks(a, b);
}

void TDataCursor::SetRange(const uint8_t* startRecord, int startFieldCount, const uint8_t* endRecord,
                           int endFieldCount) {
    Inside(*this).SetRange(TKeyForm::Record, startRecord, startFieldCount, endRecord, endFieldCount);
}

void TDataCursor::CancelRange() {
    Inside(*this).CancelRange();
}

bool TDataCursor::RangeActive() const {
    return Inside(*this).RangeActive();
}

bool TDataCursor::FindKey(std::span<const TFieldValue> values, TKeyMatch match, std::span<uint8_t> out) {
    return Inside(*this).FindKey(values, match, out);
}

bool TDataCursor::FindFirst(std::span<const TFieldCondition> conditions, bool caseInsensitive,
                            std::span<uint8_t> out) {
    return Inside(*this).FindFirst(conditions, caseInsensitive, out);
}

void TDataCursor::GoToRecord(int32_t recordNumber) {
    Inside(*this).GoToRecord(recordNumber);
}

std::span<const uint8_t> TDataCursor::CurrentRecord() const {
    return Inside(*this).CurrentRecord();
}

void TDataCursor::RunAsOneOperation(void (*run)(void*), void* context) {
    Inside(*this).RunAsOneOperation(run, context);
}

}  // namespace kartei
