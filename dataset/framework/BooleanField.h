#pragma once

#include "dataset/framework/Field.h"

namespace kartei {

// ftBoolean. Native form: uint16, 0 for false, any other value true. Its text is True or False.
class TBooleanField : public TField {
public:
    TBooleanField(TDataSet& dataSet, const TFieldDef& def);

    size_t DataSize() const override { return sizeof(uint16_t); }

    TVariant Value() const override;
    std::string AsString() const override;
    void SetAsString(std::string_view text) override;
    bool AsBoolean() const override;
    void SetAsBoolean(bool value) override;

protected:
    void SetVarValue(const TVariant& value) override { SetAsBoolean(value.AsBoolean()); }
};

}  // namespace kartei
