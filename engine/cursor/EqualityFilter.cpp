#include "engine/cursor/EqualityFilter.h"

#include <algorithm>
#include <string>
#include <string_view>

#include "engine/locale/FilterTexts.h"
#include "kartei/Record.h"

namespace kartei {
namespace {

bool IsText(const TFieldCondition& condition) {
    return condition.Field->FieldType == FieldType::String;
}

bool IsNull(const TFieldValue& value) {
    return std::holds_alternative<std::monostate>(value);
}

std::string_view Leading(std::string_view text, size_t length) {
    return length == 0 ? text : text.substr(0, length);
}

}  // namespace

TEqualityFilter::TEqualityFilter(std::span<const TFieldCondition> conditions, uint16_t recordSize,
                                 uint16_t languageId, uint16_t sortId, bool caseInsensitive)
    : conditions_(conditions),
      constants_(recordSize, 0),
      languageId_(languageId),
      sortId_(sortId),
      caseInsensitive_(caseInsensitive) {
    for (const TFieldCondition& condition : conditions_) {
        if (!IsText(condition)) {
            SetFieldValue(constants_, *condition.Field, condition.Value, languageId_, sortId_);
        }
    }
}

bool TEqualityFilter::Matches(std::span<const uint8_t> record) const {
    return std::all_of(conditions_.begin(), conditions_.end(),
                       [&](const TFieldCondition& condition) { return Equal(condition, record); });
}

bool TEqualityFilter::Equal(const TFieldCondition& condition, std::span<const uint8_t> record) const {
    const TFieldDescriptor& field = *condition.Field;
    const bool text = IsText(condition);
    // A constant its field cannot store (no room for it) is null too.
    const bool constantNull = IsNull(condition.Value) || (!text && IsFieldNull(constants_, field));
    const bool recordNull = IsFieldNull(record, field);
    if (recordNull || constantNull) {
        return recordNull && constantNull;
    }
    if (text) {
        return FilterTextsEqual(Leading(GetStringField(record, field), condition.PartialLength),
                                Leading(std::get<std::string>(condition.Value), condition.PartialLength),
                                languageId_, sortId_, caseInsensitive_);
    }
    if (field.FieldType == FieldType::Float) {
        return GetFloatField(record, field) == GetFloatField(constants_, field);
    }
    if (field.FieldType == FieldType::DateTime) {
        return GetDateTimeField(record, field) == GetDateTimeField(constants_, field);
    }
    if (field.IsAutoIncrement()) {
        return GetIntegerField(record, field) == GetIntegerField(constants_, field);
    }
    const std::span<const uint8_t> a = FieldValueBytes(record, field);
    const std::span<const uint8_t> b = FieldValueBytes(constants_, field);
    return std::equal(a.begin(), a.end(), b.begin(), b.end());
}

}  // namespace kartei
