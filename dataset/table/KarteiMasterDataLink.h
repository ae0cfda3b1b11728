#pragma once

#include <functional>
#include <string>
#include <vector>

#include "dataset/framework/DataLink.h"

namespace kartei {

class TDataSet;
class TField;

// The link of a detail table to its master's data source: the master fields named by FieldNames, resolved
// in the master dataset whenever the link activates, the master's layout changes or the names change; and
// the detail's two steps, run when the master's current record changes (OnMasterChange) or the link can no
// longer give a range (OnMasterDisable).
class TKarteiMasterDataLink : public TDataLink {
public:
    explicit TKarteiMasterDataLink(TDataSet& detail) : detail_(detail) {}

    const std::string& FieldNames() const { return fieldNames_; }
    void SetFieldNames(std::string names);
    const std::vector<TField*>& Fields() const { return fields_; }

    std::function<void()> OnMasterChange;
    std::function<void()> OnMasterDisable;

protected:
    void ActiveChanged() override { UpdateFields(); }
    void LayoutChanged() override { UpdateFields(); }
    void RecordChanged(TField* field) override;
    void CheckBrowseMode() override;

private:
    // "Das Feld '%s' wurde nicht gefunden" for a name the master lacks; the list then stays empty.
    void UpdateFields();

    TDataSet& detail_;
    std::string fieldNames_;
    std::vector<TField*> fields_;
};

}  // namespace kartei
