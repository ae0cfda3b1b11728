#include "dataset/framework/BooleanField.h"

#include "base/TextHelpers.h"

namespace kartei {

TBooleanField::TBooleanField(TDataSet& dataSet, const TFieldDef& def)
    : TField(dataSet, def, TAlignment::taLeftJustify, 5) {}

TVariant TBooleanField::Value() const {
    uint16_t value = 0;
    return GetData(&value) ? TVariant(value != 0) : TVariant();
}

std::string TBooleanField::AsString() const {
    return IsNull() ? std::string() : BooleanText(AsBoolean());
}

void TBooleanField::SetAsString(std::string_view text) {
    if (TrimBlanks(text).empty()) {
        Clear();
    } else {
        SetAsBoolean(TextToBoolean(text));
    }
}

bool TBooleanField::AsBoolean() const {
    uint16_t value = 0;
    return GetData(&value) && value != 0;
}

void TBooleanField::SetAsBoolean(bool value) {
    const uint16_t native = value ? 1 : 0;
    SetData(&native);
}

}  // namespace kartei
