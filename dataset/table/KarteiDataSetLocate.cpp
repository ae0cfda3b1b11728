// TKarteiDataSet: locate and lookup through the shared search.
#include <string>

#include "base/ScopeGuard.h"
#include "dataset/table/KarteiDataSet.h"
#include "kartei/Cursor.h"
#include "kartei/Table.h"

namespace kartei {
namespace {

const TVariant& ValueOf(const TVariant& values, size_t count, size_t position) {
    return count == 1 ? values : values.Elements().at(position);
}

}  // namespace

bool TKarteiDataSet::Locate(std::string_view keyFields, const TVariant& keyValues, TLocateOptions options) {
    DoBeforeScroll();
    const bool found = Search(keyFields, keyValues, options, true);
    if (found) {
        Resync({TResyncOption::rmExact, TResyncOption::rmCenter});
        DoAfterScroll();
    }
    return found;
}

TVariant TKarteiDataSet::Lookup(std::string_view keyFields, const TVariant& keyValues,
                                std::string_view resultFields) {
    if (!Search(keyFields, keyValues, {}, false)) {
        return {};
    }
    const TDataSetState previous = SetTempState(TDataSetState::dsCalcFields);
    stateRecord_ = tempBuffer_.data();
    TVariant result;
    RunThenFinish(
        [&] {
            const std::vector<TField*> fields = GetFieldList(resultFields);
            if (fields.size() == 1) {
                result = fields.front()->Value();
            } else {
                std::vector<TVariant> values;
                for (const TField* field : fields) {
                    values.push_back(field->Value());
                }
                result = TVariant(std::move(values));
            }
        },
        [&] {
            stateRecord_ = nullptr;
            RestoreState(previous);
        });
    return result;
}

bool TKarteiDataSet::Search(std::string_view keyFields, const TVariant& keyValues, TLocateOptions options,
                            bool moveOwnCursor) {
    CheckBrowseMode();
    CursorPosChanged();
    const std::vector<TField*> fields = GetFieldList(keyFields);
    const bool caseInsensitive = options.Contains(TLocateOption::loCaseInsensitive);
    TDataCursor& own = *cursor_;
    TDataCursor* cursor =
        OwnIndexFits(fields, caseInsensitive) ? &own : GetSearchCursor(keyFields, caseInsensitive);
    if (!cursor) {
        return Scan(fields, keyValues, options);
    }
    const bool found = SearchByKey(*cursor, fields, keyValues, options.Contains(TLocateOption::loPartialKey));
    if (found && moveOwnCursor && cursor != &own) {
        own.GoToRecord(cursor->CurrentRecordNumber());
    }
    return found;
}

bool TKarteiDataSet::OwnIndexFits(const std::vector<TField*>& fields, bool caseInsensitive) const {
    if (indexInfo_.CaseInsensitive != caseInsensitive ||
        indexInfo_.FieldCount < static_cast<int>(fields.size())) {
        return false;
    }
    for (size_t k = 0; k < fields.size(); ++k) {
        if (indexInfo_.FieldNumbers[k] != fields[k]->FieldNo()) {
            return false;
        }
    }
    return true;
}

std::vector<TFieldValue> TKarteiDataSet::FieldValues(const std::vector<TField*>& fields,
                                                     const TVariant& values) {
    std::vector<TFieldValue> converted(fields.size());
    const TDataSetState previous = SetTempState(TDataSetState::dsFilter);
    RunThenFinish(
        [&] {
            for (size_t k = 0; k < fields.size(); ++k) {
                searchValue_ = &converted[k];
                fields[k]->SetValue(ValueOf(values, fields.size(), k));
            }
        },
        [&] {
            searchValue_ = nullptr;
            RestoreState(previous);
        });
    return converted;
}

bool TKarteiDataSet::SearchByKey(TDataCursor& cursor, const std::vector<TField*>& fields,
                                 const TVariant& values, bool partialKey) {
    const std::vector<TFieldValue> key = FieldValues(fields, values);
    const bool leadingText = partialKey && fields.back()->DataType() == TFieldType::ftString;
    return cursor.FindKey(key, leadingText ? TKeyMatch::LeadingText : TKeyMatch::Whole, tempBuffer_);
}

bool TKarteiDataSet::Scan(const std::vector<TField*>& fields, const TVariant& values,
                          TLocateOptions options) {
    const bool partialKey = options.Contains(TLocateOption::loPartialKey);
    // Values of the other types are compared as their fields convert them.
    std::vector<TFieldValue> converted = FieldValues(fields, values);
    std::vector<TFieldCondition> conditions;
    for (size_t k = 0; k < fields.size(); ++k) {
        TFieldCondition condition{&Descriptor(*fields[k]), std::move(converted[k]), 0};
        if (condition.Field->FieldType == FieldType::String) {
            // Texts are taken as they are given; with the partial-key option a text of two or more
            // characters ending in "*" matches on what comes before it. An empty text is null.
            std::string text = ValueOf(values, fields.size(), k).AsString();
            if (partialKey && text.size() >= 2 && text.back() == '*') {
                text.pop_back();
            }
            condition.PartialLength = partialKey ? text.size() : 0;
            condition.Value = text.empty() ? TFieldValue() : TFieldValue(std::move(text));
        }
        conditions.push_back(std::move(condition));
    }
    return cursor_->FindFirst(conditions, options.Contains(TLocateOption::loCaseInsensitive), tempBuffer_);
}

}  // namespace kartei
