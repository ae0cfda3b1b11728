#include "dataset/locate/LocateSearch.h"

#include <algorithm>

#include "dataset/locate/LocateFilter.h"
#include "dataset/table/KarteiDataSet.h"
#include "dataset/table/MoveCursor.h"
#include "engine/cursor/DataCursor.h"
#include "engine/table/DataTable.h"
#include "kartei/Record.h"

namespace kartei {
namespace {

const TVariant& ValueOf(const TVariant& values, size_t count, size_t position) {
    return count == 1 ? values : values.Elements().at(position);
}

}  // namespace

bool TLocateSearch::Run(std::string_view keyFields, const TVariant& keyValues, TLocateOptions options,
                        bool moveMainCursor) {
    dataSet_.CheckBrowseMode();
    dataSet_.CursorPosChanged();
    const std::vector<TField*> fields = dataSet_.GetFieldList(keyFields);
    const bool caseInsensitive = options.Contains(TLocateOption::loCaseInsensitive);
    TDataCursor& own = *dataSet_.cursor_;
    TDataCursor* cursor =
        OwnIndexFits(fields, caseInsensitive) ? &own : dataSet_.GetSearchCursor(keyFields, caseInsensitive);
    if (!cursor) {
        return Scan(fields, keyValues, options);
    }
    const bool found = SearchByKey(*cursor, fields, keyValues, options.Contains(TLocateOption::loPartialKey));
    if (found && moveMainCursor && cursor != &own) {
        MoveCursorOntoRecord(own, dataSet_.tempBuffer_);
    }
    return found;
}

bool TLocateSearch::OwnIndexFits(const std::vector<TField*>& fields, bool caseInsensitive) const {
    const TIndexInfo& index = dataSet_.IndexInfo();
    if (index.CaseInsensitive != caseInsensitive || index.FieldCount < static_cast<int>(fields.size())) {
        return false;
    }
    for (size_t k = 0; k < fields.size(); ++k) {
        if (index.FieldNumbers[k] != fields[k]->FieldNo()) {
            return false;
        }
    }
    return true;
}

template <typename Step>
auto TLocateSearch::WithValues(const std::vector<TField*>& fields, const TVariant& values, Step step) {
    std::fill(dataSet_.tempBuffer_.begin(), dataSet_.tempBuffer_.end(), 0);
    const TDataSetState previous = dataSet_.SetTempState(TDataSetState::dsFilter);
    dataSet_.stateRecord_ = dataSet_.tempBuffer_.data();
    try {
        for (size_t k = 0; k < fields.size(); ++k) {
            fields[k]->SetValue(ValueOf(values, fields.size(), k));
        }
        auto result = step();
        dataSet_.stateRecord_ = nullptr;
        dataSet_.RestoreState(previous);
        return result;
    } catch (...) {
        dataSet_.stateRecord_ = nullptr;
        dataSet_.RestoreState(previous);
        throw;
    }
}

bool TLocateSearch::SearchByKey(TDataCursor& cursor, const std::vector<TField*>& fields,
                                const TVariant& values, bool partialKey) {
    return WithValues(fields, values, [&] {
        std::vector<uint8_t>& record = dataSet_.tempBuffer_;
        int wholeFields = static_cast<int>(fields.size());
        int partialLength = 0;
        if (partialKey && fields.back()->DataType() == TFieldType::ftString) {
            --wholeFields;
            partialLength =
                static_cast<int>(GetStringField(record, dataSet_.Descriptor(*fields.back())).size());
        }
        return cursor.FindKey(TKeyForm::Record, record.data(), record, partialLength, partialLength > 0,
                              wholeFields);
    });
}

bool TLocateSearch::Scan(const std::vector<TField*>& fields, const TVariant& values, TLocateOptions options) {
    TDataCursor& cursor = *dataSet_.cursor_;
    const TDataTable& table = cursor.Table();
    // Values of the other types are compared as their fields store them.
    TLocateFilter filter = WithValues(fields, values, [&] {
        return TLocateFilter(dataSet_.tempBuffer_, table.Header().LanguageId, table.Header().SortId,
                             options.Contains(TLocateOption::loCaseInsensitive),
                             options.Contains(TLocateOption::loPartialKey));
    });
    for (size_t k = 0; k < fields.size(); ++k) {
        filter.Add(dataSet_.Descriptor(*fields[k]), ValueOf(values, fields.size(), k));
    }
    cursor.First();
    while (cursor.GetNext(dataSet_.tempBuffer_) == ErrorCode::Success) {
        if (filter.Matches(dataSet_.tempBuffer_)) {
            return true;
        }
    }
    return false;
}

}  // namespace kartei
