#pragma once

#include <compare>
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "dataset/framework/ValueConvert.h"

namespace kartei {

enum class TVariantKind { Null, Boolean, Integer, LargeInt, Float, DateTime, Text, Array };

// A tagged value: null, a boolean, a 32- or 64-bit integer, a double, a point in time, a text
// (single-byte, held as bytes) or an array of variants (the values of a multi-field search).
//
// Comparison (operator==, operator<=>), as key values are compared:
// - null equals only null and orders before every other value;
// - numbers of every kind (booleans as 0 and 1, points in time as their TDateTime) compare by value;
// - texts compare byte by byte;
// - a text against a number is read as a number of the other's kind first (a boolean word against a
//   boolean, a date-time text against a point in time); when it holds none, the two are unordered;
// - arrays compare element by element, then by length; an array and a single value are unordered.
// Unordered values are not equal, so a failed comparison counts as "different".
class TVariant {
public:
    TVariant() = default;
    TVariant(bool value) : value_(value) {}
    TVariant(int32_t value) : value_(value) {}
    TVariant(int64_t value) : value_(value) {}
    TVariant(double value) : value_(value) {}
    TVariant(std::string value) : value_(std::move(value)) {}
    TVariant(std::string_view value) : value_(std::string(value)) {}
    TVariant(const char* value) : value_(std::string(value)) {}
    TVariant(std::vector<TVariant> elements) : value_(std::move(elements)) {}
    static TVariant FromDateTime(TDateTime value);

    TVariantKind Kind() const { return static_cast<TVariantKind>(value_.index()); }
    bool IsNull() const { return Kind() == TVariantKind::Null; }
    bool IsArray() const { return Kind() == TVariantKind::Array; }

    // The elements of an array; EConvertError for any other kind.
    const std::vector<TVariant>& Elements() const;

    // Conversions by value; each raises EConvertError when the value has no such form (a text that is
    // no number, a number out of range, null or an array where a single value is needed). Numbers
    // round to integers with halves away from zero. AsString gives the empty text for null.
    bool AsBoolean() const;
    int32_t AsInteger() const;
    int64_t AsLargeInt() const;
    double AsFloat() const;
    TDateTime AsDateTime() const;
    std::string AsString() const;

    static std::partial_ordering Compare(const TVariant& a, const TVariant& b);
    friend bool operator==(const TVariant& a, const TVariant& b) { return Compare(a, b) == 0; }
    friend std::partial_ordering operator<=>(const TVariant& a, const TVariant& b) { return Compare(a, b); }

private:
    struct TDateValue {
        TDateTime Value = 0;
    };
    // The order of the alternatives follows TVariantKind.
    using TValue = std::variant<std::monostate, bool, int32_t, int64_t, double, TDateValue, std::string,
                                std::vector<TVariant>>;

    explicit TVariant(TDateValue value) : value_(value) {}
    [[noreturn]] static void InvalidCast();

    TValue value_;
};

}  // namespace kartei
