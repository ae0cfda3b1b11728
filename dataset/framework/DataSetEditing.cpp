// Editing: edit, insert, append, post, cancel, delete.

#include <algorithm>

#include "dataset/framework/DataSet.h"
#include "dataset/framework/DatabaseErrors.h"
#include "dataset/framework/FrameworkMessages.h"

namespace kartei {
namespace {

bool IsEditing(TDataSetState state) {
    return state == TDataSetState::dsEdit || state == TDataSetState::dsInsert;
}

}  // namespace

void TDataSet::CheckBrowseMode() {
    CheckActive();
    DataEvent(TDataEvent::deCheckBrowseMode);
    if (IsEditing(state_)) {
        UpdateRecord();
        if (modified_) {
            Post();
        } else {
            Cancel();
        }
    }
}

void TDataSet::UpdateRecord() {
    if (!IsEditing(state_) && state_ != TDataSetState::dsSetKey) {
        RaiseComponentError(*this, kSNotEditing);
    }
    DataEvent(TDataEvent::deUpdateRecord);
}

void TDataSet::NewRecordInBuffer(uint8_t* buffer, TBookmarkFlag flag) {
    InternalInitRecord(buffer);
    SetBookmarkFlag(buffer, flag);
}

void TDataSet::Edit() {
    if (IsEditing(state_)) {
        return;
    }
    CheckCanModify();
    CheckBrowseMode();
    if (IsEmpty()) {
        Insert();
        return;
    }
    UpdateCursorPos();
    InternalEdit();
    SetState(TDataSetState::dsEdit);
    DataEvent(TDataEvent::deRecordChange);
}

void TDataSet::Insert() {
    CheckCanModify();
    CheckBrowseMode();
    DoBeforeScroll();
    UpdateCursorPos();
    // The free buffer becomes the current row; the rows from there on move down, a full window loses its
    // last one.
    const auto row = buffers_.begin() + activeRecord_;
    std::rotate(row, buffers_.begin() + recordCount_, buffers_.begin() + recordCount_ + 1);
    recordCount_ = std::min(recordCount_ + 1, bufferCount_);
    if (currentRecord_ >= activeRecord_) {
        ++currentRecord_;
    }
    if (currentRecord_ >= recordCount_) {
        currentRecord_ = -1;
    }
    NewRecordInBuffer(ActiveBuffer(), TBookmarkFlag::bfInserted);
    bof_ = false;
    eof_ = false;
    SetState(TDataSetState::dsInsert);
    DataEvent(TDataEvent::deDataSetChange);
    DoAfterScroll();
}

void TDataSet::Append() {
    CheckCanModify();
    CheckBrowseMode();
    DoBeforeScroll();
    // The new record is the last row, after the last record; the rows above it are the last records.
    ClearBuffers();
    NewRecordInBuffer(buffers_[0].get(), TBookmarkFlag::bfEOF);
    recordCount_ = 1;
    bof_ = false;
    InternalLast();
    currentRecord_ = 0;  // the cursor stands after the last record, where the new one goes
    FillPriorRecords();
    SetState(TDataSetState::dsInsert);
    DataEvent(TDataEvent::deDataSetChange);
    DoAfterScroll();
}

void TDataSet::CheckRequiredFields() {
    for (int k = 0; k < fields_.Count(); ++k) {
        TField& field = fields_[k];
        if (field.Required() && !field.ReadOnly() && field.FieldKind() == TFieldKind::fkData &&
            field.IsNull()) {
            field.FocusControl();
            RaiseDatabaseError(FormatMessage(kSFieldRequired, {field.DisplayLabel()}));
        }
    }
}

void TDataSet::Post() {
    if (!IsEditing(state_)) {
        RaiseComponentError(*this, kSNotEditing);
    }
    UpdateRecord();
    DataEvent(TDataEvent::deCheckBrowseMode);
    CheckRequiredFields();
    UpdateCursorPos();
    InternalPost();
    SetState(TDataSetState::dsBrowse);
    Resync({});
}

void TDataSet::Cancel() {
    if (!IsEditing(state_)) {
        return;
    }
    DataEvent(TDataEvent::deCheckBrowseMode);
    UpdateCursorPos();
    InternalCancel();
    SetState(TDataSetState::dsBrowse);
    Resync({});
}

void TDataSet::Delete() {
    CheckCanModify();
    CheckActive();
    if (state_ == TDataSetState::dsInsert) {
        Cancel();
        return;
    }
    if (IsEmpty()) {
        RaiseComponentError(*this, kSDataSetEmpty);
    }
    DataEvent(TDataEvent::deCheckBrowseMode);
    DoBeforeScroll();
    UpdateCursorPos();
    InternalDelete();
    SetState(TDataSetState::dsBrowse);
    Resync({});
    DoAfterScroll();
}

}  // namespace kartei
