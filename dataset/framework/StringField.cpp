#include "dataset/framework/StringField.h"

#include <cstring>

namespace kartei {

TStringField::TStringField(TDataSet& dataSet, const TFieldDef& def)
    : TField(dataSet, def, TAlignment::taLeftJustify, def.Size) {}

bool TStringField::ReadText(std::string& text) const {
    text.assign(DataSize(), '\0');
    if (!GetData(text.data())) {
        text.clear();
        return false;
    }
    text.resize(strnlen(text.data(), static_cast<size_t>(Size())));
    return true;
}

template <typename Parse>
auto TStringField::Parsed(Parse parse) const -> decltype(parse(std::string_view{})) {
    std::string text;
    if (!ReadText(text)) {
        return {};
    }
    return parse(text);
}

TVariant TStringField::Value() const {
    std::string text;
    return ReadText(text) ? TVariant(std::move(text)) : TVariant();
}

std::string TStringField::AsString() const {
    std::string text;
    ReadText(text);
    return text;
}

void TStringField::SetAsString(std::string_view text) {
    std::string buffer(DataSize(), '\0');
    text.copy(buffer.data(), static_cast<size_t>(Size()));
    SetData(buffer.data());
}

int32_t TStringField::AsInteger() const {
    return Parsed([](std::string_view text) { return CheckedInt32(TextToInteger(text)); });
}

void TStringField::SetAsInteger(int32_t value) {
    SetAsString(IntegerText(value));
}

int64_t TStringField::AsLargeInt() const {
    return Parsed(TextToInteger);
}

void TStringField::SetAsLargeInt(int64_t value) {
    SetAsString(IntegerText(value));
}

double TStringField::AsFloat() const {
    return Parsed(TextToFloat);
}

void TStringField::SetAsFloat(double value) {
    SetAsString(FloatText(value));
}

bool TStringField::AsBoolean() const {
    return Parsed(TextToBoolean);
}

void TStringField::SetAsBoolean(bool value) {
    SetAsString(BooleanText(value));
}

TDateTime TStringField::AsDateTime() const {
    return Parsed(TextToDateTime);
}

void TStringField::SetAsDateTime(TDateTime value) {
    SetAsString(DateTimeText(TimeStampOf(SplitDateTime(value))));
}

}  // namespace kartei
