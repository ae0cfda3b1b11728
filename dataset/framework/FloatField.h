#pragma once

#include "dataset/framework/Field.h"

namespace kartei {

// ftFloat and ftCurrency. Native form: double. Whole-number reads round halves away from zero; an
// empty text clears the field.
class TFloatField : public TField {
public:
    TFloatField(TDataSet& dataSet, const TFieldDef& def);

    size_t DataSize() const override { return sizeof(double); }

    TVariant Value() const override;
    std::string AsString() const override;
    void SetAsString(std::string_view text) override;
    int32_t AsInteger() const override;
    void SetAsInteger(int32_t value) override;
    int64_t AsLargeInt() const override;
    void SetAsLargeInt(int64_t value) override;
    double AsFloat() const override;
    void SetAsFloat(double value) override;

protected:
    void SetVarValue(const TVariant& value) override { SetAsFloat(value.AsFloat()); }
};

class TCurrencyField : public TFloatField {
public:
    using TFloatField::TFloatField;
};

}  // namespace kartei
