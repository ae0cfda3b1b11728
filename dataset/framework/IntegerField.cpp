#include "dataset/framework/IntegerField.h"

#include <cmath>
#include <cstring>
#include <limits>

#include "base/TextHelpers.h"

namespace kartei {
namespace {

template <typename T>
int64_t ReadNative(const TField& field) {
    T value{};
    return field.GetData(&value) ? static_cast<int64_t>(value) : 0;
}

template <typename T>
void WriteNative(TField& field, int64_t value) {
    const T native = static_cast<T>(value);
    field.SetData(&native);
}

int DisplayWidthOf(TFieldType type) {
    switch (type) {
        case TFieldType::ftSmallint:
            return 6;
        case TFieldType::ftWord:
            return 5;
        case TFieldType::ftLargeint:
            return 20;
        default:
            return 11;
    }
}

}  // namespace

TIntegerField::TIntegerField(TDataSet& dataSet, const TFieldDef& def)
    : TField(dataSet, def, TAlignment::taRightJustify, DisplayWidthOf(def.DataType)) {}

size_t TIntegerField::DataSize() const {
    switch (DataType()) {
        case TFieldType::ftSmallint:
        case TFieldType::ftWord:
            return 2;
        case TFieldType::ftLargeint:
            return 8;
        default:
            return 4;
    }
}

int64_t TIntegerField::MinValue() const {
    switch (DataType()) {
        case TFieldType::ftSmallint:
            return std::numeric_limits<int16_t>::min();
        case TFieldType::ftWord:
            return 0;
        case TFieldType::ftLargeint:
            return std::numeric_limits<int64_t>::min();
        default:
            return std::numeric_limits<int32_t>::min();
    }
}

int64_t TIntegerField::MaxValue() const {
    switch (DataType()) {
        case TFieldType::ftSmallint:
            return std::numeric_limits<int16_t>::max();
        case TFieldType::ftWord:
            return std::numeric_limits<uint16_t>::max();
        case TFieldType::ftLargeint:
            return std::numeric_limits<int64_t>::max();
        default:
            return std::numeric_limits<int32_t>::max();
    }
}

int64_t TIntegerField::Read() const {
    switch (DataType()) {
        case TFieldType::ftSmallint:
            return ReadNative<int16_t>(*this);
        case TFieldType::ftWord:
            return ReadNative<uint16_t>(*this);
        case TFieldType::ftLargeint:
            return ReadNative<int64_t>(*this);
        default:
            return ReadNative<int32_t>(*this);
    }
}

void TIntegerField::Write(int64_t value) {
    switch (DataType()) {
        case TFieldType::ftSmallint:
            return WriteNative<int16_t>(*this, value);
        case TFieldType::ftWord:
            return WriteNative<uint16_t>(*this, value);
        case TFieldType::ftLargeint:
            return WriteNative<int64_t>(*this, value);
        default:
            return WriteNative<int32_t>(*this, value);
    }
}

TVariant TIntegerField::Value() const {
    if (IsNull()) {
        return {};
    }
    if (DataType() == TFieldType::ftLargeint) {
        return TVariant(Read());
    }
    return TVariant(static_cast<int32_t>(Read()));
}

std::string TIntegerField::AsString() const {
    return IsNull() ? std::string() : IntegerText(Read());
}

void TIntegerField::SetAsString(std::string_view text) {
    if (TrimBlanks(text).empty()) {
        Clear();
    } else {
        SetAsLargeInt(TextToInteger(text));
    }
}

int32_t TIntegerField::AsInteger() const {
    return CheckedInt32(Read());
}

void TIntegerField::SetAsInteger(int32_t value) {
    SetAsLargeInt(value);
}

int64_t TIntegerField::AsLargeInt() const {
    return Read();
}

void TIntegerField::SetAsLargeInt(int64_t value) {
    if (value < MinValue() || value > MaxValue()) {
        RangeError(IntegerText(value), IntegerText(MinValue()), IntegerText(MaxValue()));
    }
    Write(value);
}

double TIntegerField::AsFloat() const {
    return static_cast<double>(Read());
}

void TIntegerField::SetAsFloat(double value) {
    const double rounded = std::round(value);
    // The upper bound is exclusive: MaxValue() + 1 is exact as a double where MaxValue() may not be.
    if (!(rounded >= static_cast<double>(MinValue()) && rounded < static_cast<double>(MaxValue()) + 1.0)) {
        RangeError(FloatText(value), IntegerText(MinValue()), IntegerText(MaxValue()));
    }
    Write(static_cast<int64_t>(rounded));
}

void TIntegerField::SetVarValue(const TVariant& value) {
    if (value.Kind() == TVariantKind::Float || value.Kind() == TVariantKind::DateTime) {
        SetAsFloat(value.AsFloat());
    } else {
        SetAsLargeInt(value.AsLargeInt());
    }
}

}  // namespace kartei
