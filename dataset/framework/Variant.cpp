#include "dataset/framework/Variant.h"

#include <optional>

#include "dataset/framework/ConvertError.h"
#include "dataset/framework/FrameworkMessages.h"

namespace kartei {
namespace {

bool IsIntegral(TVariantKind kind) {
    return kind == TVariantKind::Boolean || kind == TVariantKind::Integer || kind == TVariantKind::LargeInt;
}

bool IsNumeric(TVariantKind kind) {
    return IsIntegral(kind) || kind == TVariantKind::Float || kind == TVariantKind::DateTime;
}

// A text read as a number of the kind it is compared with; none when it holds no such value.
std::optional<long double> TextAsNumber(const std::string& text, TVariantKind otherKind) {
    if (otherKind == TVariantKind::Boolean) {
        const auto value = ParseBooleanText(text);
        return value ? std::optional<long double>(*value ? 1 : 0) : std::nullopt;
    }
    if (otherKind == TVariantKind::DateTime) {
        try {
            return TextToDateTime(text);
        } catch (const EConvertError&) {
            return std::nullopt;
        }
    }
    if (const auto value = ParseIntegerText(text)) {
        return *value;
    }
    const auto value = ParseFloatText(text);
    return value ? std::optional<long double>(*value) : std::nullopt;
}

// long double holds every int64 exactly, so integers against doubles compare without loss.
long double NumberOf(const TVariant& value) {
    return IsIntegral(value.Kind()) ? static_cast<long double>(value.AsLargeInt()) : value.AsFloat();
}

std::partial_ordering CompareArrays(const std::vector<TVariant>& a, const std::vector<TVariant>& b) {
    for (size_t k = 0; k < a.size() && k < b.size(); ++k) {
        const std::partial_ordering order = TVariant::Compare(a[k], b[k]);
        if (order != 0) {
            return order;
        }
    }
    return a.size() <=> b.size();
}

}  // namespace

TVariant TVariant::FromDateTime(TDateTime value) {
    return TVariant(TDateValue{value});
}

void TVariant::InvalidCast() {
    throw EConvertError(std::string(kSInvalidVarCast));
}

const std::vector<TVariant>& TVariant::Elements() const {
    if (!IsArray()) {
        InvalidCast();
    }
    return std::get<std::vector<TVariant>>(value_);
}

bool TVariant::AsBoolean() const {
    switch (Kind()) {
        case TVariantKind::Boolean:
            return std::get<bool>(value_);
        case TVariantKind::Text:
            return TextToBoolean(std::get<std::string>(value_));
        case TVariantKind::Integer:
        case TVariantKind::LargeInt:
            return AsLargeInt() != 0;
        case TVariantKind::Float:
        case TVariantKind::DateTime:
            return AsFloat() != 0;
        default:
            InvalidCast();
    }
}

int32_t TVariant::AsInteger() const {
    return Kind() == TVariantKind::Integer ? std::get<int32_t>(value_) : CheckedInt32(AsLargeInt());
}

int64_t TVariant::AsLargeInt() const {
    switch (Kind()) {
        case TVariantKind::Boolean:
            return std::get<bool>(value_) ? 1 : 0;
        case TVariantKind::Integer:
            return std::get<int32_t>(value_);
        case TVariantKind::LargeInt:
            return std::get<int64_t>(value_);
        case TVariantKind::Float:
        case TVariantKind::DateTime:
            return RoundToInt64(AsFloat());
        case TVariantKind::Text:
            return TextToInteger(std::get<std::string>(value_));
        default:
            InvalidCast();
    }
}

double TVariant::AsFloat() const {
    switch (Kind()) {
        case TVariantKind::Boolean:
        case TVariantKind::Integer:
        case TVariantKind::LargeInt:
            return static_cast<double>(AsLargeInt());
        case TVariantKind::Float:
            return std::get<double>(value_);
        case TVariantKind::DateTime:
            return std::get<TDateValue>(value_).Value;
        case TVariantKind::Text:
            return TextToFloat(std::get<std::string>(value_));
        default:
            InvalidCast();
    }
}

TDateTime TVariant::AsDateTime() const {
    return Kind() == TVariantKind::Text ? TextToDateTime(std::get<std::string>(value_)) : AsFloat();
}

std::string TVariant::AsString() const {
    switch (Kind()) {
        case TVariantKind::Null:
            return {};
        case TVariantKind::Boolean:
            return BooleanText(std::get<bool>(value_));
        case TVariantKind::Integer:
        case TVariantKind::LargeInt:
            return IntegerText(AsLargeInt());
        case TVariantKind::Float:
            return FloatText(std::get<double>(value_));
        case TVariantKind::DateTime:
            return DateTimeText(TimeStampOf(SplitDateTime(std::get<TDateValue>(value_).Value)));
        case TVariantKind::Text:
            return std::get<std::string>(value_);
        default:
            InvalidCast();
    }
}

std::partial_ordering TVariant::Compare(const TVariant& a, const TVariant& b) {
    const TVariantKind kindA = a.Kind();
    const TVariantKind kindB = b.Kind();
    if (kindA == TVariantKind::Null || kindB == TVariantKind::Null) {
        return (kindA != TVariantKind::Null) <=> (kindB != TVariantKind::Null);
    }
    if (kindA == TVariantKind::Array || kindB == TVariantKind::Array) {
        if (kindA != kindB) {
            return std::partial_ordering::unordered;
        }
        return CompareArrays(a.Elements(), b.Elements());
    }
    if (kindA == TVariantKind::Text && kindB == TVariantKind::Text) {
        return std::get<std::string>(a.value_) <=> std::get<std::string>(b.value_);
    }
    if (IsIntegral(kindA) && IsIntegral(kindB)) {
        return a.AsLargeInt() <=> b.AsLargeInt();
    }
    const std::optional<long double> numberA =
        IsNumeric(kindA) ? NumberOf(a) : TextAsNumber(std::get<std::string>(a.value_), kindB);
    const std::optional<long double> numberB =
        IsNumeric(kindB) ? NumberOf(b) : TextAsNumber(std::get<std::string>(b.value_), kindA);
    if (!numberA || !numberB) {
        return std::partial_ordering::unordered;
    }
    return *numberA <=> *numberB;
}

}  // namespace kartei
