#include "dataset/framework/FloatField.h"

#include "base/TextHelpers.h"

namespace kartei {

TFloatField::TFloatField(TDataSet& dataSet, const TFieldDef& def)
    : TField(dataSet, def, TAlignment::taRightJustify, 10) {}

TVariant TFloatField::Value() const {
    double value = 0;
    return GetData(&value) ? TVariant(value) : TVariant();
}

std::string TFloatField::AsString() const {
    double value = 0;
    return GetData(&value) ? FloatText(value) : std::string();
}

void TFloatField::SetAsString(std::string_view text) {
    if (TrimBlanks(text).empty()) {
        Clear();
    } else {
        SetAsFloat(TextToFloat(text));
    }
}

int32_t TFloatField::AsInteger() const {
    return CheckedInt32(AsLargeInt());
}

void TFloatField::SetAsInteger(int32_t value) {
    SetAsFloat(value);
}

int64_t TFloatField::AsLargeInt() const {
    return RoundToInt64(AsFloat());
}

void TFloatField::SetAsLargeInt(int64_t value) {
    SetAsFloat(static_cast<double>(value));
}

double TFloatField::AsFloat() const {
    double value = 0;
    return GetData(&value) ? value : 0;
}

void TFloatField::SetAsFloat(double value) {
    SetData(&value);
}

}  // namespace kartei
