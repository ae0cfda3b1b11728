#include "dataset/framework/DataSet.h"

#include "base/ScopeGuard.h"
#include "dataset/framework/DataSource.h"
#include "dataset/framework/DatabaseErrors.h"
#include "dataset/framework/FieldFactory.h"
#include "dataset/framework/FrameworkMessages.h"
#include "dataset/framework/Names.h"

namespace kartei {

TDataSet::TDataSet(TComponent* owner) : TComponent(owner) {}

TDataSet::~TDataSet() {
    state_ = TDataSetState::dsInactive;
    dataSources_.ForEach([](TDataSource* source) { source->DataSetDestroyed(); });
}

void TDataSet::Loaded() {
    if (streamedActive_) {
        SetActive(true);
    }
}

void TDataSet::SetActive(bool active) {
    if (Loading()) {
        streamedActive_ = active;
        return;
    }
    if (active == Active()) {
        return;
    }
    if (active) {
        OpenDataSet();
    } else {
        CloseDataSet();
    }
}

void TDataSet::OpenDataSet() {
    if (BeforeOpen) {
        BeforeOpen(*this);
    }
    InternalOpen();
    UndoOnError(
        [this] {
            RebuildBuffers();
            InternalFirst();
            GetNextRecords();
            bof_ = true;
        },
        [this] { ReleaseCursor(); });
    SetState(TDataSetState::dsBrowse);
    if (AfterOpen) {
        AfterOpen(*this);
    }
    if (!IsEmpty()) {
        DoAfterScroll();
    }
}

void TDataSet::CloseDataSet() {
    if (!IsDestroying() && BeforeClose) {
        BeforeClose(*this);
    }
    if (state_ == TDataSetState::dsEdit || state_ == TDataSetState::dsInsert) {
        InternalCancel();
    }
    SetState(TDataSetState::dsInactive);
    ReleaseCursor();
    if (!IsDestroying() && AfterClose) {
        AfterClose(*this);
    }
}

void TDataSet::ReleaseCursor() {
    RunThenFinish([this] { InternalClose(); },
                  [this] {
                      buffers_.clear();
                      ClearBuffers();
                  });
}

void TDataSet::CheckActive() const {
    if (!Active()) {
        RaiseComponentError(*this, kSDataSetClosed);
    }
}

void TDataSet::CheckInactive() const {
    if (Active()) {
        RaiseComponentError(*this, kSDataSetOpen);
    }
}

void TDataSet::CheckCanModify() const {
    if (!CanModify()) {
        RaiseComponentError(*this, kSDataSetReadOnly);
    }
}

void TDataSet::SetState(TDataSetState state) {
    if (state_ != state) {
        state_ = state;
        modified_ = false;
        DataEvent(TDataEvent::deUpdateState);
    }
}

TDataSetState TDataSet::SetTempState(TDataSetState state) {
    const TDataSetState previous = state_;
    state_ = state;
    ++disableCount_;
    modified_ = false;
    return previous;
}

void TDataSet::RestoreState(TDataSetState state) {
    state_ = state;
    --disableCount_;
    modified_ = false;
}

void TDataSet::DoBeforeScroll() {
    if (BeforeScroll) {
        BeforeScroll(*this);
    }
}

void TDataSet::DoAfterScroll() {
    if (AfterScroll) {
        AfterScroll(*this);
    }
}

int TDataSet::RecordCount() {
    CheckActive();
    return GetRecordCount();
}

int TDataSet::RecNo() {
    return Active() && !IsEmpty() ? GetRecNo() : -1;
}

void TDataSet::SetRecNo(int recNo) {
    CheckBrowseMode();
    DoBeforeScroll();
    InternalGotoRecNo(recNo);
    Resync({TResyncOption::rmExact, TResyncOption::rmCenter});
    DoAfterScroll();
}

void TDataSet::DisableControls() {
    if (disableCount_ == 0) {
        disableState_ = state_;
        enableEvent_ = TDataEvent::deDataSetChange;
    }
    ++disableCount_;
}

void TDataSet::EnableControls() {
    if (disableCount_ == 0 || --disableCount_ != 0) {
        return;
    }
    if (disableState_ != state_) {
        DataEvent(TDataEvent::deUpdateState);
    }
    if (disableState_ != TDataSetState::dsInactive && state_ != TDataSetState::dsInactive) {
        DataEvent(enableEvent_);
    }
}

void TDataSet::DataEvent(TDataEvent event, const TDataEventInfo& info) {
    if (event == TDataEvent::deFieldChange &&
        (state_ == TDataSetState::dsEdit || state_ == TDataSetState::dsInsert)) {
        modified_ = true;
    }
    if (disableCount_ == 0) {
        dataSources_.ForEach([&](TDataSource* source) { source->DataEvent(event, info); });
    } else if ((event == TDataEvent::deUpdateState && state_ == TDataSetState::dsInactive) ||
               event == TDataEvent::deLayoutChange) {
        enableEvent_ = TDataEvent::deLayoutChange;
    }
}

TField& TDataSet::FieldByName(std::string_view name) const {
    if (TField* field = FindField(name)) {
        return *field;
    }
    RaiseComponentError(*this, FormatMessage(kSFieldNotFound, {name}));
}

std::vector<TField*> TDataSet::GetFieldList(std::string_view names) const {
    std::vector<TField*> list;
    for (const std::string_view name : SplitNames(names)) {
        list.push_back(&FieldByName(name));
    }
    return list;
}

void TDataSet::CreateFields() {
    for (int k = 0; k < fieldDefs_.Count(); ++k) {
        if (auto field = CreateField(*this, fieldDefs_[k])) {
            fields_.Add(std::move(field));
        }
    }
}

std::string TDataSet::GetBlobContents(const TField&) {
    RaiseComponentError(*this, kSBlobNotSupported);
}

void TDataSet::SetBlobContents(TField&, std::string_view) {
    RaiseComponentError(*this, kSBlobNotSupported);
}

TBookmark TDataSet::GetBookmark() const {
    const bool readable = state_ == TDataSetState::dsBrowse || state_ == TDataSetState::dsEdit ||
                          state_ == TDataSetState::dsInsert;
    if (!readable || IsEmpty() || GetBookmarkFlag(ActiveBuffer()) != TBookmarkFlag::bfCurrent) {
        return {};
    }
    const std::span<const uint8_t> data = GetBookmarkData(ActiveBuffer());
    return TBookmark(data.begin(), data.end());
}

void TDataSet::GotoBookmark(const TBookmark& bookmark) {
    if (bookmark.empty()) {
        return;
    }
    CheckBrowseMode();
    DoBeforeScroll();
    InternalGotoBookmark(bookmark);
    Resync({TResyncOption::rmExact, TResyncOption::rmCenter});
    DoAfterScroll();
}

int TDataSet::CompareBookmarks(const TBookmark& a, const TBookmark& b) {
    if (a.empty() || b.empty()) {
        return a.empty() == b.empty() ? 0 : (a.empty() ? 1 : -1);
    }
    const int order = InternalCompareBookmarks(a, b);
    return (order > 0) - (order < 0);
}

void TDataSet::InternalSetToRecord(const uint8_t* buffer) {
    if (GetBookmarkFlag(buffer) == TBookmarkFlag::bfCurrent) {
        InternalGotoBookmark(GetBookmarkData(buffer));
    }
}

bool TDataSet::IsLinkedTo(const TDataSource* source) const {
    while (source) {
        const TDataSet* dataSet = source->DataSet();
        if (!dataSet) {
            return false;
        }
        if (dataSet == this) {
            return true;
        }
        source = dataSet->GetDataSource();
    }
    return false;
}

void TDataSet::AddDataSource(TDataSource* source) {
    dataSources_.Add(source);
    UpdateBufferCount();
}

void TDataSet::RemoveDataSource(TDataSource* source) {
    dataSources_.Remove(source);
    UpdateBufferCount();
}

void TDataSet::UpdateBufferCount() {
    int count = 1;
    dataSources_.ForEach(
        [&count](const TDataSource* source) { count = std::max(count, source->MaxBufferCount()); });
    SetBufferCount(count);
}

}  // namespace kartei
