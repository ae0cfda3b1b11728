#include "lookup/DataSourceLink.h"

#include "lookup/DBLookupControl.h"

namespace kartei {

TDataSourceLink::TDataSourceLink(TDBLookupControl* control) : control_(control) {
    SetVisualControl(true);
}

void TDataSourceLink::ActiveChanged() {
    if (control_) {
        control_->BindDataField();
    }
}

void TDataSourceLink::LayoutChanged() {
    if (control_) {
        control_->BindDataField();
    }
}

void TDataSourceLink::RecordChanged(TField* field) {
    if (control_) {
        control_->DataRecordChanged(field);
    }
}

void TDataSourceLink::FocusControl(TField*& field) {
    if (control_ && field == control_->DataFieldRef() && control_->CanFocus()) {
        field = nullptr;
        control_->setFocus();
    }
}

}  // namespace kartei
