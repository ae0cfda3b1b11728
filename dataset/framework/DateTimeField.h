#pragma once

#include "dataset/framework/Field.h"

namespace kartei {

// ftDate, ftTime and ftDateTime. Native form by type: ftDate int32 day number (1 = 0001-01-01), ftTime
// int32 milliseconds since midnight, ftDateTime double day number x 86400000 + milliseconds. Through
// AsDateTime and AsFloat the value is a TDateTime; a date field keeps only the day of what it is given,
// a time field only the time of day. An empty text clears the field.
class TDateTimeField : public TField {
public:
    TDateTimeField(TDataSet& dataSet, const TFieldDef& def);

    size_t DataSize() const override;

    TVariant Value() const override;
    std::string AsString() const override;
    void SetAsString(std::string_view text) override;
    double AsFloat() const override;
    void SetAsFloat(double value) override;
    TDateTime AsDateTime() const override;
    void SetAsDateTime(TDateTime value) override;

protected:
    void SetVarValue(const TVariant& value) override;

private:
    // The stored day and time; false when the field is null.
    bool Read(TDayAndTime& value) const;
    void Write(TDayAndTime value);
};

class TDateField : public TDateTimeField {
public:
    using TDateTimeField::TDateTimeField;
};

class TTimeField : public TDateTimeField {
public:
    using TDateTimeField::TDateTimeField;
};

}  // namespace kartei
