#include "dataset/table/KarteiDataSet.h"

#include <algorithm>
#include <cstring>

#include "base/ScopeGuard.h"
#include "dataset/framework/DatabaseErrors.h"
#include "dataset/framework/FrameworkMessages.h"
#include "dataset/table/EngineFieldAccess.h"
#include "dataset/table/EngineFieldDefs.h"
#include "kartei/Cursor.h"
#include "kartei/Errors.h"
#include "kartei/Table.h"

namespace kartei {
namespace {

constexpr size_t kRecordInfoSize = 8;
constexpr size_t kFlagInInfo = 4;

}  // namespace

TKarteiDataSet::TKarteiDataSet(TComponent* owner) : TDataSet(owner) {}

TKarteiDataSet::~TKarteiDataSet() = default;

void TKarteiDataSet::SetAutoDisplayLabels(bool value) {
    autoDisplayLabels_ = value;
    if (!value || !cursor_) {
        return;
    }
    for (int k = 0; k < Fields().Count(); ++k) {
        TField& field = Fields()[k];
        if (field.FieldKind() == TFieldKind::fkData && !Descriptor(field).Description.empty()) {
            field.SetDisplayLabel(Descriptor(field).Description);
        }
    }
}

void TKarteiDataSet::OpenCursor() {
    cursor_ = CreateHandle();
    if (!cursor_) {
        RaiseDatabaseError("Error creating table handle.");
    }
}

void TKarteiDataSet::CloseCursor() {
    if (cursor_) {
        DestroyHandle();
    }
}

void TKarteiDataSet::DestroyHandle() {
    DropSearchCursor();
    std::unique_ptr<TDataCursor> cursor = std::move(cursor_);
    cursor->Close();
}

std::unique_ptr<TDataCursor> TKarteiDataSet::CreateHandle() {
    return nullptr;
}

TDataCursor* TKarteiDataSet::GetSearchCursor(std::string_view, bool) {
    return nullptr;
}

void TKarteiDataSet::InternalOpen() {
    OpenCursor();
    UndoOnError(
        [this] {
            recordSize_ = cursor_->RecordSize();
            bookmarkSize_ = cursor_->BookmarkSize();
            canModify_ = !cursor_->Table().ReadOnly();
            FieldDefsFromEngine(cursor_->Table().Fields(), FieldDefs());
            ReadIndexInfo();
            CreateFields();
            SetAutoDisplayLabels(autoDisplayLabels_);
            AllocateWorkBuffers();
            cursor_->First();
            AfterOpenHook();
        },
        [this] { InternalClose(); });
}

void TKarteiDataSet::InternalClose() {
    FreeWorkBuffers();
    DestroyFields();
    ClearIndexInfo();
    CloseCursor();
}

void TKarteiDataSet::AllocateWorkBuffers() {
    tempBuffer_.assign(recordSize_, 0);
    for (TKeyBuffer* buffer : {&rangeStart_, &rangeEnd_, &appliedStart_, &appliedEnd_}) {
        buffer->Allocate(recordSize_);
    }
}

void TKarteiDataSet::FreeWorkBuffers() {
    tempBuffer_ = {};
    for (TKeyBuffer* buffer : {&rangeStart_, &rangeEnd_, &appliedStart_, &appliedEnd_}) {
        buffer->Free();
    }
    keyBuffer_ = nullptr;
    stateRecord_ = nullptr;
}

void TKarteiDataSet::ReadIndexInfo() {
    const TIndexDescriptor descriptor = cursor_->IndexDescriptor(cursor_->CurrentIndexSlot());
    indexInfo_ = {};
    if (cursor_->NaturalOrder()) {
        return;
    }
    indexInfo_.CaseInsensitive = descriptor.CaseInsensitive != 0;
    indexInfo_.FieldCount = std::min<int>(descriptor.FieldCount, kMaxKeyFields);
    indexInfo_.FieldNumbers = descriptor.FieldNumbers;
    indexInfo_.KeyLength = descriptor.KeyLength;
}

void TKarteiDataSet::UpdateRecordLayout() {
    bookmarkSize_ = cursor_->BookmarkSize();
    RebuildBuffers();
}

const TFieldDescriptor& TKarteiDataSet::Descriptor(const TField& field) const {
    return cursor_->Table().Fields()[static_cast<size_t>(field.FieldNo() - 1)];
}

uint16_t TKarteiDataSet::LanguageId() const {
    return cursor_->Table().LanguageId();
}

uint16_t TKarteiDataSet::SortId() const {
    return cursor_->Table().SortId();
}

void TKarteiDataSet::RaiseStatus(int status) const {
    RaiseKarteiError(static_cast<uint16_t>(status), cursor_->Table().Name());
}

// ---- Records ----

TGetResult TKarteiDataSet::GetRecord(uint8_t* buffer, TGetMode mode, bool doCheck) {
    const std::span<uint8_t> image(buffer, recordSize_);
    int status = 0;
    switch (mode) {
        case TGetMode::gmCurrent:
            status = cursor_->GetCurrent(image, false);
            break;
        case TGetMode::gmNext:
            status = cursor_->GetNext(image);
            break;
        case TGetMode::gmPrior:
            status = cursor_->GetPrior(image);
            break;
    }
    if (status == ErrorCode::BeginOfFile) {
        return TGetResult::grBOF;
    }
    if (status == ErrorCode::EndOfFile) {
        return TGetResult::grEOF;
    }
    if (status != ErrorCode::Success) {
        if (doCheck) {
            RaiseStatus(status);
        }
        return TGetResult::grError;
    }
    const int32_t ordinal = cursor_->Ordinal();
    std::memcpy(buffer + recordSize_, &ordinal, sizeof(ordinal));
    SetBookmarkFlag(buffer, TBookmarkFlag::bfCurrent);
    cursor_->GetBookmark({buffer + recordSize_ + kRecordInfoSize, bookmarkSize_});
    return TGetResult::grOK;
}

size_t TKarteiDataSet::RecordBufferSize() const {
    return recordSize_ + kRecordInfoSize + bookmarkSize_;
}

void TKarteiDataSet::InternalFirst() {
    cursor_->First();
}

void TKarteiDataSet::InternalLast() {
    cursor_->Last();
}

int TKarteiDataSet::GetRecordCount() {
    return cursor_->RecordCount();
}

int TKarteiDataSet::GetRecNo() {
    int32_t ordinal;
    std::memcpy(&ordinal, ActiveBuffer() + recordSize_, sizeof(ordinal));
    return ordinal;
}

void TKarteiDataSet::InternalGotoRecNo(int recNo) {
    cursor_->GoToOrdinal(recNo);
}

// ---- Bookmarks ----

std::span<const uint8_t> TKarteiDataSet::GetBookmarkData(const uint8_t* buffer) const {
    return {buffer + recordSize_ + kRecordInfoSize, bookmarkSize_};
}

TBookmarkFlag TKarteiDataSet::GetBookmarkFlag(const uint8_t* buffer) const {
    return static_cast<TBookmarkFlag>(buffer[recordSize_ + kFlagInInfo]);
}

void TKarteiDataSet::SetBookmarkFlag(uint8_t* buffer, TBookmarkFlag flag) {
    buffer[recordSize_ + kFlagInInfo] = static_cast<uint8_t>(flag);
}

void TKarteiDataSet::InternalGotoBookmark(std::span<const uint8_t> bookmark) {
    cursor_->GoToBookmark(bookmark);
}

int TKarteiDataSet::InternalCompareBookmarks(std::span<const uint8_t> a, std::span<const uint8_t> b) {
    return cursor_->CompareBookmarks(a, b);
}

bool TKarteiDataSet::BookmarkValid(const TBookmark& bookmark) {
    if (!cursor_) {
        return false;
    }
    CursorPosChanged();
    return cursor_->GoToBookmark(bookmark);
}

// ---- Fields ----

uint8_t* TKarteiDataSet::RecordForState() const {
    switch (State()) {
        case TDataSetState::dsBrowse:
        case TDataSetState::dsEdit:
        case TDataSetState::dsInsert:
            return ActiveBuffer();
        case TDataSetState::dsSetKey:
            return keyBuffer_ ? keyBuffer_->Record() : nullptr;
        case TDataSetState::dsFilter:
        case TDataSetState::dsCalcFields:
            return stateRecord_;
        default:
            return nullptr;
    }
}

bool TKarteiDataSet::GetFieldData(const TField& field, void* buffer) {
    const uint8_t* record = RecordForState();
    if (!record || field.FieldKind() != TFieldKind::fkData) {
        return false;
    }
    return ReadFieldValue({record, recordSize_}, Descriptor(field), buffer);
}

void TKarteiDataSet::SetFieldData(TField& field, const void* buffer) {
    if (searchValue_ && State() == TDataSetState::dsFilter && field.FieldKind() == TFieldKind::fkData) {
        *searchValue_ = NativeFieldValue(Descriptor(field), buffer);
        return;
    }
    uint8_t* record = RecordForState();
    if (!record || field.FieldKind() != TFieldKind::fkData) {
        return;
    }
    if (State() == TDataSetState::dsSetKey) {
        const auto* numbers = indexInfo_.FieldNumbers.data();
        const auto* last = numbers + indexInfo_.FieldCount;
        if (std::find(numbers, last, field.FieldNo()) == last) {
            RaiseDatabaseError(FormatMessage(kSNotIndexField, {field.FieldName()}));
        }
        keyBuffer_->SetModified(true);
    }
    WriteFieldValue({record, recordSize_}, Descriptor(field), buffer, LanguageId(), SortId());
}

TField& TKarteiDataSet::IndexField(int position) {
    if (position >= indexInfo_.FieldCount) {
        RaiseDatabaseError(kSFieldIndexError);
    }
    const int number = indexInfo_.FieldNumbers[static_cast<size_t>(position)];
    for (int k = 0; k < Fields().Count(); ++k) {
        if (Fields()[k].FieldNo() == number) {
            return Fields()[k];
        }
    }
    const std::string_view name =
        number >= 1 && number <= FieldDefs().Count() ? std::string_view(FieldDefs()[number - 1].Name) : "";
    RaiseDatabaseError(FormatMessage(kSIndexFieldMissing, {name}));
}

// ---- Ranges ----

TDataSetState TKarteiDataSet::BeginKeyEdit(TKeyBuffer& buffer) {
    const TDataSetState previous = SetTempState(TDataSetState::dsSetKey);
    keyBuffer_ = &buffer;
    buffer.Clear();  // zeros are the engine's blank record
    buffer.SetModified(true);
    return previous;
}

void TKarteiDataSet::EndKeyEdit(TDataSetState previous) {
    keyBuffer_ = nullptr;
    RestoreState(previous);
}

bool TKarteiDataSet::RangeApplied() const {
    return cursor_ && cursor_->RangeActive();
}

bool TKarteiDataSet::ApplyRange() {
    if (rangeStart_ == appliedStart_ && rangeEnd_ == appliedEnd_) {
        return false;
    }
    // A buffer not marked modified gives no key: that end of the range is open.
    cursor_->SetRange(rangeStart_.Modified() ? rangeStart_.Record() : nullptr, rangeStart_.FieldCount(),
                      rangeEnd_.Modified() ? rangeEnd_.Record() : nullptr, rangeEnd_.FieldCount());
    appliedStart_ = rangeStart_;
    appliedEnd_ = rangeEnd_;
    DropSearchCursor();
    return true;
}

bool TKarteiDataSet::CancelAppliedRange() {
    const bool applied = appliedStart_.Modified() || appliedEnd_.Modified();
    if (applied) {
        cursor_->CancelRange();
        appliedStart_.Clear();
        appliedEnd_.Clear();
        DropSearchCursor();
    }
    return applied;
}

// ---- Editing (tables opened for writing only) ----

void TKarteiDataSet::InternalInitRecord(uint8_t* buffer) {
    const std::span<const uint8_t> current = cursor_->CurrentRecord();
    if (copyOnAppend_ && !IsEmpty() && current.size() == recordSize_) {
        CopyFieldValues(current, {buffer, recordSize_});
        return;
    }
    std::memset(buffer, 0, recordSize_);
}

void TKarteiDataSet::InternalPost() {
    TDataTable& table = cursor_->Table();
    const std::span<const uint8_t> image(ActiveBuffer(), recordSize_);
    int32_t recordNumber = 0;
    if (State() == TDataSetState::dsInsert) {
        recordNumber = table.InsertRecord(image);
    } else {
        recordNumber = cursor_->CurrentRecordNumber();
        table.ModifyRecord(recordNumber, image);
    }
    cursor_->GoToRecord(recordNumber);
}

void TKarteiDataSet::InternalDelete() {
    cursor_->Table().DeleteRecord(cursor_->CurrentRecordNumber());
}

}  // namespace kartei
