#include "dataset/table/KarteiMasterDataLink.h"

#include <algorithm>

#include "dataset/framework/DataSet.h"

namespace kartei {

void TKarteiMasterDataLink::SetFieldNames(std::string names) {
    if (names != fieldNames_) {
        fieldNames_ = std::move(names);
        UpdateFields();
    }
}

void TKarteiMasterDataLink::UpdateFields() {
    fields_.clear();
    if (Active() && DataSet()) {
        fields_ = DataSet()->GetFieldList(fieldNames_);
    }
    if (!detail_.Active() || detail_.IsDestroying()) {
        return;
    }
    if (Active() && !fields_.empty()) {
        if (OnMasterChange) {
            OnMasterChange();
        }
    } else if (OnMasterDisable) {
        OnMasterDisable();
    }
}

void TKarteiMasterDataLink::RecordChanged(TField* field) {
    if (DataSet()->State() == TDataSetState::dsSetKey || !detail_.Active() || fields_.empty()) {
        return;
    }
    if ((!field || std::find(fields_.begin(), fields_.end(), field) != fields_.end()) && OnMasterChange) {
        OnMasterChange();
    }
}

void TKarteiMasterDataLink::CheckBrowseMode() {
    if (detail_.Active()) {
        detail_.CheckBrowseMode();
    }
}

}  // namespace kartei
