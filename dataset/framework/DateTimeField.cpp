#include "dataset/framework/DateTimeField.h"

#include <cmath>

#include "base/TextHelpers.h"

namespace kartei {
namespace {

int DisplayWidthOf(TFieldType type) {
    switch (type) {
        case TFieldType::ftDate:
            return 10;
        case TFieldType::ftTime:
            return 8;
        default:
            return 19;
    }
}

}  // namespace

TDateTimeField::TDateTimeField(TDataSet& dataSet, const TFieldDef& def)
    : TField(dataSet, def, TAlignment::taLeftJustify, DisplayWidthOf(def.DataType)) {}

size_t TDateTimeField::DataSize() const {
    return DataType() == TFieldType::ftDateTime ? sizeof(double) : sizeof(int32_t);
}

bool TDateTimeField::Read(TDayAndTime& value) const {
    value = {TDayNumber{kDayNumberOf18991230}, {}};
    if (DataType() == TFieldType::ftDateTime) {
        double stored = 0;
        if (!GetData(&stored)) {
            return false;
        }
        const double day = std::floor(stored / kMillisecondsPerDay);
        value = {TDayNumber{static_cast<int32_t>(day)},
                 TTimeOfDay{static_cast<int32_t>(stored - day * kMillisecondsPerDay)}};
        return true;
    }
    int32_t stored = 0;
    if (!GetData(&stored)) {
        return false;
    }
    (DataType() == TFieldType::ftDate ? value.Day.Value : value.Time.Milliseconds) = stored;
    return true;
}

void TDateTimeField::Write(TDayAndTime value) {
    switch (DataType()) {
        case TFieldType::ftDate:
            return SetData(&value.Day.Value);
        case TFieldType::ftTime:
            return SetData(&value.Time.Milliseconds);
        default: {
            const double stored = TimeStampOf(value).Milliseconds;
            return SetData(&stored);
        }
    }
}

TVariant TDateTimeField::Value() const {
    TDayAndTime value;
    return Read(value) ? TVariant::FromDateTime(DateTimeFromParts(value)) : TVariant();
}

std::string TDateTimeField::AsString() const {
    TDayAndTime value;
    if (!Read(value)) {
        return {};
    }
    switch (DataType()) {
        case TFieldType::ftDate:
            return DateText(value.Day);
        case TFieldType::ftTime:
            return TimeText(value.Time);
        default:
            return DateTimeText(TimeStampOf(value));
    }
}

void TDateTimeField::SetAsString(std::string_view text) {
    if (TrimBlanks(text).empty()) {
        return Clear();
    }
    switch (DataType()) {
        case TFieldType::ftDate:
            return Write({TextToDate(text), {}});
        case TFieldType::ftTime:
            return Write({TDayNumber{kDayNumberOf18991230}, TextToTime(text)});
        default:
            return SetAsDateTime(TextToDateTime(text));
    }
}

double TDateTimeField::AsFloat() const {
    return AsDateTime();
}

void TDateTimeField::SetAsFloat(double value) {
    SetAsDateTime(value);
}

TDateTime TDateTimeField::AsDateTime() const {
    TDayAndTime value;
    return Read(value) ? DateTimeFromParts(value) : 0;
}

void TDateTimeField::SetAsDateTime(TDateTime value) {
    Write(SplitDateTime(value));
}

void TDateTimeField::SetVarValue(const TVariant& value) {
    if (value.Kind() == TVariantKind::Text) {
        SetAsString(value.AsString());
    } else {
        SetAsDateTime(value.AsDateTime());
    }
}

}  // namespace kartei
