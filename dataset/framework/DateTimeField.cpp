#include "dataset/framework/DateTimeField.h"

#include <cmath>

#include "engine/format/DateTimeValues.h"
#include "engine/format/TextHelpers.h"

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
    value = {kDayNumberOf18991230, 0};
    if (DataType() == TFieldType::ftDateTime) {
        double stored = 0;
        if (!GetData(&stored)) {
            return false;
        }
        const double day = std::floor(stored / kMillisecondsPerDay);
        value = {static_cast<int32_t>(day), static_cast<int32_t>(stored - day * kMillisecondsPerDay)};
        return true;
    }
    int32_t stored = 0;
    if (!GetData(&stored)) {
        return false;
    }
    (DataType() == TFieldType::ftDate ? value.DayNumber : value.Milliseconds) = stored;
    return true;
}

void TDateTimeField::Write(TDayAndTime value) {
    switch (DataType()) {
        case TFieldType::ftDate:
            return SetData(&value.DayNumber);
        case TFieldType::ftTime:
            return SetData(&value.Milliseconds);
        default: {
            const double stored = DateTimeValue(value.DayNumber, value.Milliseconds);
            return SetData(&stored);
        }
    }
}

TVariant TDateTimeField::Value() const {
    TDayAndTime value;
    return Read(value) ? TVariant::FromDateTime(DateTimeFromParts(value.DayNumber, value.Milliseconds))
                       : TVariant();
}

std::string TDateTimeField::AsString() const {
    TDayAndTime value;
    if (!Read(value)) {
        return {};
    }
    switch (DataType()) {
        case TFieldType::ftDate:
            return DateText(value.DayNumber);
        case TFieldType::ftTime:
            return TimeText(value.Milliseconds);
        default:
            return DateTimeText(DateTimeFromParts(value.DayNumber, value.Milliseconds));
    }
}

void TDateTimeField::SetAsString(std::string_view text) {
    if (TrimBlanks(text).empty()) {
        return Clear();
    }
    switch (DataType()) {
        case TFieldType::ftDate:
            return Write({TextToDate(text), 0});
        case TFieldType::ftTime:
            return Write({kDayNumberOf18991230, TextToTime(text)});
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
    return Read(value) ? DateTimeFromParts(value.DayNumber, value.Milliseconds) : 0;
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
