#include "lookup/ListSourceLink.h"

#include "lookup/DBLookupControl.h"

namespace kartei {

TListSourceLink::TListSourceLink(TDBLookupControl* control) : control_(control) {
    SetVisualControl(true);
}

void TListSourceLink::ActiveChanged() {
    if (control_) {
        control_->BindListFields();
    }
}

void TListSourceLink::LayoutChanged() {
    if (control_) {
        control_->BindListFields();
    }
}

void TListSourceLink::DataSetChanged() {
    if (control_) {
        control_->ListDataChanged();
    }
}

}  // namespace kartei
