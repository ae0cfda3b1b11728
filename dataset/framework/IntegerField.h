#pragma once

#include "dataset/framework/Field.h"

namespace kartei {

// Whole numbers. Native form by type: ftSmallint int16, ftWord uint16, ftInteger and ftAutoInc int32,
// ftLargeint int64. Writes outside the type's range raise the range error; floats round halves away
// from zero; an empty text clears the field.
class TIntegerField : public TField {
public:
    TIntegerField(TDataSet& dataSet, const TFieldDef& def);

    size_t DataSize() const override;
    int64_t MinValue() const;
    int64_t MaxValue() const;

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
    // The value, or 0 when the field is null.
    int64_t Read() const;
    void Write(int64_t value);
};

class TSmallintField : public TIntegerField {
public:
    using TIntegerField::TIntegerField;
};

class TWordField : public TIntegerField {
public:
    using TIntegerField::TIntegerField;
};

// Numbered by the table when a record is added.
class TAutoIncField : public TIntegerField {
public:
    using TIntegerField::TIntegerField;
};

class TLargeintField : public TIntegerField {
public:
    using TIntegerField::TIntegerField;
};

}  // namespace kartei
