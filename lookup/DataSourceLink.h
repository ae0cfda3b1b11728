#pragma once

#include "dataset/framework/DataLink.h"

namespace kartei {

class TDBLookupControl;

// Passes the data dataset's notifications to its lookup control: opening, closing and a new layout
// rebind the data field, a record change updates the selection, and a request to focus the data field
// focuses the control.
class TDataSourceLink : public TDataLink {
public:
    explicit TDataSourceLink(TDBLookupControl* control);
    // Cleared before the link goes, so that notifications raised on its way out reach no one.
    void ForgetControl() { control_ = nullptr; }

protected:
    void ActiveChanged() override;
    void LayoutChanged() override;
    void RecordChanged(TField* field) override;
    void FocusControl(TField*& field) override;

private:
    TDBLookupControl* control_;
};

}  // namespace kartei
