#include "dataset/framework/DataLink.h"

#include <algorithm>

#include "base/ScopeGuard.h"
#include "dataset/framework/DataSet.h"
#include "dataset/framework/DataSource.h"
#include "dataset/framework/DatabaseErrors.h"
#include "dataset/framework/FrameworkMessages.h"
#include "dataset/framework/ValueConvert.h"

namespace kartei {

TDataLink::~TDataLink() {
    SetDataSource(nullptr);
}

void TDataLink::SetDataSource(TDataSource* source) {
    if (source == dataSource_) {
        return;
    }
    if (dataSource_) {
        dataSource_->RemoveLink(this);
    }
    if (source) {
        source->AddLink(this);
    }
}

TDataSet* TDataLink::DataSet() const {
    return dataSource_ ? dataSource_->DataSet() : nullptr;
}

void TDataLink::SetReadOnly(bool readOnly) {
    if (readOnly != readOnly_) {
        readOnly_ = readOnly;
        UpdateState();
    }
}

int TDataLink::ActiveRecord() const {
    return active_ ? DataSet()->activeRecord_ - firstRecord_ : 0;
}

void TDataLink::SetActiveRecord(int row) {
    if (row < 0 || row >= RecordCount()) {
        RaiseDatabaseError(FormatMessage(kSRecordRowOutOfRange, {IntegerText(row)}));
    }
    DataSet()->activeRecord_ = firstRecord_ + row;
}

int TDataLink::RecordCount() const {
    return active_ ? std::min(DataSet()->recordCount_ - firstRecord_, bufferCount_) : 0;
}

void TDataLink::SetBufferCount(int count) {
    count = std::max(count, 1);
    if (count == bufferCount_) {
        return;
    }
    bufferCount_ = count;
    if (TDataSet* dataSet = DataSet()) {
        dataSet->UpdateBufferCount();
    }
    if (active_) {
        UpdateRange();
    }
}

bool TDataLink::Edit() {
    if (!readOnly_ && dataSource_) {
        dataSource_->Edit();
    }
    return editing_;
}

int TDataLink::MoveBy(int distance) {
    TDataSet* dataSet = DataSet();
    return dataSet ? dataSet->MoveBy(distance) : 0;
}

void TDataLink::UpdateRange() {
    const TDataSet& dataSet = *DataSet();
    const int active = dataSet.activeRecord_;
    const int lowest = std::max(0, active - bufferCount_ + 1);
    const int highest = std::min(active, std::max(0, dataSet.recordCount_ - bufferCount_));
    firstRecord_ = std::clamp(firstRecord_, lowest, highest);
}

void TDataLink::UpdateState() {
    const TDataSetState state = dataSource_ ? dataSource_->State() : TDataSetState::dsInactive;
    const bool active = state != TDataSetState::dsInactive;
    if (active != active_) {
        active_ = active;
        firstRecord_ = 0;
        if (active_) {
            UpdateRange();
        }
        ActiveChanged();
    }
    const bool editing = active_ && !readOnly_ &&
                         (state == TDataSetState::dsEdit || state == TDataSetState::dsInsert ||
                          state == TDataSetState::dsSetKey);
    if (editing != editing_) {
        editing_ = editing;
        EditingChanged();
    }
}

void TDataLink::DataEvent(TDataEvent event, const TDataEventInfo& info) {
    switch (event) {
        case TDataEvent::deFieldChange:
        case TDataEvent::deRecordChange:
            if (!updating_) {
                RecordChanged(info.Field);
            }
            break;
        case TDataEvent::deDataSetChange:
            UpdateRange();
            DataSetChanged();
            break;
        case TDataEvent::deLayoutChange:
            UpdateRange();
            LayoutChanged();
            break;
        case TDataEvent::deDataSetScroll: {
            // Rows move up by the distance the dataset's window moved; the link's window follows its
            // records as far as the current record stays inside.
            const int previousFirst = firstRecord_;
            firstRecord_ -= info.Distance;
            UpdateRange();
            DataSetScrolled(info.Distance + firstRecord_ - previousFirst);
            break;
        }
        case TDataEvent::deUpdateRecord: {
            updating_ = true;
            const TUndoGuard reset([this] { updating_ = false; });
            UpdateData();
            break;
        }
        case TDataEvent::deUpdateState:
            UpdateState();
            break;
        case TDataEvent::deCheckBrowseMode:
            CheckBrowseMode();
            break;
        case TDataEvent::deFocusControl:
            if (info.FocusField && *info.FocusField) {
                FocusControl(*info.FocusField);
            }
            break;
    }
}

}  // namespace kartei
