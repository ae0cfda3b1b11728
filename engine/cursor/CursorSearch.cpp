// TDataCursorImpl: the searches by field values and going to a record.
#include <algorithm>
#include <array>

#include "engine/cursor/DataCursor.h"
#include "engine/cursor/EqualityFilter.h"
#include "engine/format/Bytes.h"
#include "engine/keys/KeyBuilder.h"
#include "engine/table/DataTable.h"
#include "kartei/Errors.h"

namespace kartei {

bool TDataCursorImpl::FindKey(std::span<const TFieldValue> values, TKeyMatch match, std::span<uint8_t> out) {
    CheckOpen();
    if (natural_) {
        return false;
    }
    // The values go into a record image as their fields store them (case rules included), and the key is
    // built from it as from any record.
    std::fill(searchRecord_.begin(), searchRecord_.end(), uint8_t{0});
    const TIndexDescriptor& index = table_->IndexFile().Descriptor(slot_);
    const uint16_t languageId = table_->Header().LanguageId;
    const uint16_t sortId = table_->Header().SortId;
    const size_t count = std::min<size_t>(values.size(), layout_.FieldCount);
    const TFieldDescriptor* last = nullptr;
    for (size_t k = 0; k < count; ++k) {
        last = &table_->Fields()[index.FieldNumbers[k] - 1u];
        SetFieldValue(searchRecord_, *last, values[k], languageId, sortId);
    }
    int wholeFields = static_cast<int>(count);
    int partialLength = 0;
    if (match == TKeyMatch::LeadingText && last != nullptr && last->FieldType == FieldType::String) {
        --wholeFields;
        partialLength = static_cast<int>(GetStringField(searchRecord_, *last).size());
    }
    return FindKey(TKeyForm::Record, searchRecord_.data(), out, partialLength, partialLength > 0,
                   wholeFields);
}

bool TDataCursorImpl::FindFirst(std::span<const TFieldCondition> conditions, bool caseInsensitive,
                                std::span<uint8_t> out) {
    CheckOpen();
    const TEqualityFilter filter(conditions, RecordSize(), table_->Header().LanguageId,
                                 table_->Header().SortId, caseInsensitive);
    First();
    while (GetNext(searchRecord_) == ErrorCode::Success) {
        if (filter.Matches(searchRecord_)) {
            std::copy_n(searchRecord_.begin(), std::min(out.size(), searchRecord_.size()), out.begin());
            return true;
        }
    }
    return false;
}

void TDataCursorImpl::GoToRecord(int32_t recordNumber) {
    CheckOpen();
    table_->ReadRecord(recordNumber, searchRecord_);
    // A bookmark is the record's full key in index order and its number in natural order.
    std::array<uint8_t, kKeyBufferSize> bookmark{};
    if (natural_) {
        WriteI32(bookmark.data(), recordNumber);
    } else {
        BuildKey(layout_, searchRecord_.data(), bookmark.data());
    }
    if (!GoToBookmark({bookmark.data(), BookmarkSize()})) {
        RaiseKarteiError(ErrorCode::RecordNotFound, table_->Name());
    }
}

}  // namespace kartei
