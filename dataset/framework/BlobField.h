#pragma once

#include "dataset/framework/Field.h"

namespace kartei {

// ftBlob, ftGraphic and ftTypedBinary (TBlobField), ftMemo and ftFmtMemo (TMemoField). The record
// buffer holds no contents (DataSize 0): the null state comes from GetFieldData, the contents from the
// dataset's blob hooks. Controls show "(BLOB)", "(GRAPHIC)" or "(MEMO)", in upper case when the field
// has contents and capitalised ("(Memo)") when it is null.
class TBlobField : public TField {
public:
    TBlobField(TDataSet& dataSet, const TFieldDef& def);

    size_t DataSize() const override { return 0; }
    bool IsBlob() const override { return true; }

    TVariant Value() const override;
    std::string AsString() const override;
    void SetAsString(std::string_view text) override;
    std::string DisplayText() const override;

protected:
    void SetVarValue(const TVariant& value) override { SetAsString(value.AsString()); }
};

class TMemoField : public TBlobField {
public:
    using TBlobField::TBlobField;
};

}  // namespace kartei
