#include "dataset/locate/LocateFilter.h"

#include <algorithm>
#include <string_view>

#include "dataset/locate/LocateCollation.h"
#include "kartei/Field.h"
#include "kartei/Record.h"

namespace kartei {
namespace {

std::string_view Leading(std::string_view text, size_t length) {
    return length == 0 ? text : text.substr(0, length);
}

}  // namespace

TLocateFilter::TLocateFilter(std::span<const uint8_t> constants, uint16_t languageId, uint16_t sortId,
                             bool caseInsensitive, bool partialKey)
    : constants_(constants.begin(), constants.end()),
      languageId_(languageId),
      sortId_(sortId),
      caseInsensitive_(caseInsensitive),
      partialKey_(partialKey) {}

void TLocateFilter::Add(const TFieldDescriptor& field, const TVariant& value) {
    TCondition condition;
    condition.Field = &field;
    condition.Text = field.FieldType == FieldType::String;
    if (condition.Text) {
        condition.Value = value.AsString();
        if (partialKey_ && condition.Value.size() >= 2 && condition.Value.back() == '*') {
            condition.Value.pop_back();
        }
        condition.PartialLength = partialKey_ ? condition.Value.size() : 0;
        condition.Null = condition.Value.empty();
    } else {
        condition.Null = value.IsNull() || IsFieldNull(constants_, field);
    }
    conditions_.push_back(std::move(condition));
}

bool TLocateFilter::Matches(std::span<const uint8_t> record) const {
    return std::all_of(conditions_.begin(), conditions_.end(),
                       [&](const TCondition& condition) { return Equal(condition, record); });
}

bool TLocateFilter::Equal(const TCondition& condition, std::span<const uint8_t> record) const {
    const TFieldDescriptor& field = *condition.Field;
    const bool recordNull = IsFieldNull(record, field);
    if (recordNull || condition.Null) {
        return recordNull && condition.Null;
    }
    if (condition.Text) {
        return LocateTextsEqual(Leading(GetStringField(record, field), condition.PartialLength),
                                Leading(condition.Value, condition.PartialLength), languageId_, sortId_,
                                caseInsensitive_);
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
