#pragma once

#include "dataset/framework/Field.h"

namespace kartei {

// ftBCD: a fixed-point number with Size() decimal places (at most 4). Native form: int64, the value
// times 10000. Writes round to the field's places, halves away from zero; texts are read exactly.
class TBCDField : public TField {
public:
    TBCDField(TDataSet& dataSet, const TFieldDef& def);

    size_t DataSize() const override { return sizeof(int64_t); }

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
    void SetVarValue(const TVariant& value) override;

private:
    bool Read(int64_t& scaledValue) const;
    void Write(int64_t scaledValue);
    [[noreturn]] void RaiseRange(std::string_view value) const;
};

}  // namespace kartei
