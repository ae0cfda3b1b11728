#pragma once

#include "dataset/framework/DataLink.h"

namespace kartei {

class TDBLookupControl;

// Passes the list dataset's notifications to its lookup control: opening, closing and a new layout
// rebind the fields, a data change or scroll refreshes the rows.
class TListSourceLink : public TDataLink {
public:
    explicit TListSourceLink(TDBLookupControl* control);
    // Cleared before the link goes, so that notifications raised on its way out reach no one.
    void ForgetControl() { control_ = nullptr; }

protected:
    void ActiveChanged() override;
    void LayoutChanged() override;
    void DataSetChanged() override;

private:
    TDBLookupControl* control_;
};

}  // namespace kartei
