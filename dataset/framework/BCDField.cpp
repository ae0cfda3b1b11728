#include "dataset/framework/BCDField.h"

#include <limits>

#include "base/Bcd.h"
#include "base/TextHelpers.h"

namespace kartei {

TBCDField::TBCDField(TDataSet& dataSet, const TFieldDef& def)
    : TField(dataSet, def, TAlignment::taRightJustify, 10) {}

bool TBCDField::Read(int64_t& scaledValue) const {
    scaledValue = 0;
    return GetData(&scaledValue);
}

void TBCDField::Write(int64_t scaledValue) {
    const int64_t rounded = RoundBcd(scaledValue, static_cast<uint8_t>(Size()));
    SetData(&rounded);
}

void TBCDField::RaiseRange(std::string_view value) const {
    RangeError(value, BcdText(std::numeric_limits<int64_t>::min()),
               BcdText(std::numeric_limits<int64_t>::max()));
}

TVariant TBCDField::Value() const {
    int64_t scaled = 0;
    return Read(scaled) ? TVariant(BcdToDouble(scaled)) : TVariant();
}

std::string TBCDField::AsString() const {
    int64_t scaled = 0;
    return Read(scaled) ? BcdText(scaled) : std::string();
}

void TBCDField::SetAsString(std::string_view text) {
    if (TrimBlanks(text).empty()) {
        Clear();
    } else {
        Write(TextToBcd(text));
    }
}

int32_t TBCDField::AsInteger() const {
    return CheckedInt32(AsLargeInt());
}

void TBCDField::SetAsInteger(int32_t value) {
    SetAsLargeInt(value);
}

int64_t TBCDField::AsLargeInt() const {
    int64_t scaled = 0;
    Read(scaled);
    return RoundBcd(scaled, 0) / 10000;
}

void TBCDField::SetAsLargeInt(int64_t value) {
    int64_t scaled = 0;
    if (__builtin_mul_overflow(value, 10000, &scaled)) {
        RaiseRange(IntegerText(value));
    }
    Write(scaled);
}

double TBCDField::AsFloat() const {
    int64_t scaled = 0;
    Read(scaled);
    return BcdToDouble(scaled);
}

void TBCDField::SetAsFloat(double value) {
    const auto scaled = BcdFromDouble(value, static_cast<uint8_t>(Size()));
    if (!scaled) {
        RaiseRange(FloatText(value));
    }
    Write(*scaled);
}

void TBCDField::SetVarValue(const TVariant& value) {
    switch (value.Kind()) {
        case TVariantKind::Text:
            return SetAsString(value.AsString());
        case TVariantKind::Float:
        case TVariantKind::DateTime:
            return SetAsFloat(value.AsFloat());
        default:
            return SetAsLargeInt(value.AsLargeInt());
    }
}

}  // namespace kartei
