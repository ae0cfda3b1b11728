#include "support/MemoryDataSet.h"

#include <algorithm>
#include <cstring>

#include "dataset/framework/DatabaseErrors.h"
#include "dataset/framework/FrameworkMessages.h"
#include "dataset/framework/Names.h"

namespace kartei::testsupport {
namespace {

int32_t ReadInt32(const uint8_t* at) {
    int32_t value = 0;
    std::memcpy(&value, at, sizeof value);
    return value;
}

void WriteInt32(uint8_t* at, int32_t value) {
    std::memcpy(at, &value, sizeof value);
}

bool ValueMatches(const TField& field, const TVariant& wanted, TLocateOptions options) {
    if (field.DataType() != TFieldType::ftString || wanted.IsNull()) {
        return field.Value() == wanted;
    }
    std::string text = field.AsString();
    const std::string key = wanted.AsString();
    if (options.Contains(TLocateOption::loPartialKey)) {
        text = text.substr(0, key.size());
    }
    return options.Contains(TLocateOption::loCaseInsensitive) ? SameName(text, key) : text == key;
}

}  // namespace

TMemoryDataSet::TMemoryDataSet(TComponent* owner, std::vector<TColumn> columns)
    : TDataSet(owner), columns_(std::move(columns)) {}

TMemoryDataSet::~TMemoryDataSet() {
    Destroying();
    Close();
}

void TMemoryDataSet::InternalOpen() {
    FieldDefs().Clear();
    for (const TColumn& column : columns_) {
        FieldDefs().Add(column.Name, column.Type, column.Size, column.Required);
    }
    CreateFields();
    offsets_.clear();
    imageSize_ = 0;
    for (int k = 0; k < Fields().Count(); ++k) {
        const TField& field = Fields()[k];
        offsets_.push_back(imageSize_);
        imageSize_ += 1 + (field.IsBlob() ? sizeof(uint64_t) : field.DataSize());
    }
    searchBuffer_.assign(imageSize_, 0);
    for (const auto& row : rows_) {
        std::fill(searchBuffer_.begin(), searchBuffer_.end(), 0);
        const TDataSetState previous = SetTempState(TDataSetState::dsFilter);
        for (size_t k = 0; k < row.size(); ++k) {
            Fields()[static_cast<int>(k)].SetValue(row[k]);
        }
        RestoreState(previous);
        records_.push_back({nextId_++, searchBuffer_});
    }
    rows_.clear();
    cursor_ = -1;
}

void TMemoryDataSet::InternalClose() {
    DestroyFields();
}

uint8_t* TMemoryDataSet::StateBuffer() const {
    if (State() == TDataSetState::dsFilter) {
        return const_cast<uint8_t*>(searchBuffer_.data());
    }
    return ActiveBuffer();
}

bool TMemoryDataSet::GetFieldData(const TField& field, void* buffer) {
    const uint8_t* record = StateBuffer();
    if (!record) {
        return false;
    }
    const size_t at = offsets_[static_cast<size_t>(field.Index())];
    if (record[at] == 0) {
        return false;
    }
    if (buffer) {
        std::memcpy(buffer, record + at + 1, field.DataSize());
    }
    return true;
}

void TMemoryDataSet::SetFieldData(TField& field, const void* buffer) {
    uint8_t* record = StateBuffer();
    const size_t at = offsets_[static_cast<size_t>(field.Index())];
    record[at] = buffer ? 1 : 0;
    if (buffer) {
        std::memcpy(record + at + 1, buffer, field.DataSize());
    } else {
        std::memset(record + at + 1, 0, field.IsBlob() ? sizeof(uint64_t) : field.DataSize());
    }
}

std::string TMemoryDataSet::GetBlobContents(const TField& field) {
    uint64_t index = 0;
    std::memcpy(&index, StateBuffer() + offsets_[static_cast<size_t>(field.Index())] + 1, sizeof index);
    return blobs_.at(index);
}

void TMemoryDataSet::SetBlobContents(TField& field, std::string_view contents) {
    const uint64_t index = blobs_.size();
    blobs_.emplace_back(contents);
    uint8_t* at = StateBuffer() + offsets_[static_cast<size_t>(field.Index())];
    at[0] = 1;
    std::memcpy(at + 1, &index, sizeof index);
}

TGetResult TMemoryDataSet::GetRecord(uint8_t* buffer, TGetMode mode, bool doCheck) {
    if (readCount_ == FailAtRead) {
        if (doCheck) {
            RaiseDatabaseError("read failed");
        }
        return TGetResult::grError;
    }
    const int count = StoredCount();
    switch (mode) {
        case TGetMode::gmNext:
            if (cursor_ + 1 >= count) {
                cursor_ = count;
                return TGetResult::grEOF;
            }
            ++cursor_;
            break;
        case TGetMode::gmPrior:
            if (cursor_ - 1 < 0) {
                cursor_ = -1;
                return TGetResult::grBOF;
            }
            --cursor_;
            break;
        case TGetMode::gmCurrent:
            if (cursor_ < 0) {
                return TGetResult::grBOF;
            }
            if (cursor_ >= count) {
                return TGetResult::grEOF;
            }
            break;
    }
    const TStoredRecord& record = records_[static_cast<size_t>(cursor_)];
    std::memcpy(buffer, record.Image.data(), imageSize_);
    WriteInt32(buffer + imageSize_, cursor_ + 1);
    buffer[imageSize_ + 4] = static_cast<uint8_t>(TBookmarkFlag::bfCurrent);
    WriteInt32(buffer + imageSize_ + 5, record.Id);
    ++readCount_;
    return TGetResult::grOK;
}

std::span<const uint8_t> TMemoryDataSet::GetBookmarkData(const uint8_t* buffer) const {
    return {buffer + imageSize_ + 5, sizeof(int32_t)};
}

TBookmarkFlag TMemoryDataSet::GetBookmarkFlag(const uint8_t* buffer) const {
    return static_cast<TBookmarkFlag>(buffer[imageSize_ + 4]);
}

void TMemoryDataSet::SetBookmarkFlag(uint8_t* buffer, TBookmarkFlag flag) {
    buffer[imageSize_ + 4] = static_cast<uint8_t>(flag);
}

int TMemoryDataSet::IndexOfBookmark(std::span<const uint8_t> bookmark) const {
    if (bookmark.size() != sizeof(int32_t)) {
        return -1;
    }
    const int32_t id = ReadInt32(bookmark.data());
    const auto it =
        std::find_if(records_.begin(), records_.end(), [id](const auto& r) { return r.Id == id; });
    return it == records_.end() ? -1 : static_cast<int>(it - records_.begin());
}

void TMemoryDataSet::InternalGotoBookmark(std::span<const uint8_t> bookmark) {
    const int index = IndexOfBookmark(bookmark);
    if (index < 0) {
        RaiseComponentError(*this, kSRecordNotFound);
    }
    cursor_ = index;
}

int TMemoryDataSet::InternalCompareBookmarks(std::span<const uint8_t> a, std::span<const uint8_t> b) {
    return IndexOfBookmark(a) - IndexOfBookmark(b);
}

bool TMemoryDataSet::BookmarkValid(const TBookmark& bookmark) {
    return IndexOfBookmark(bookmark) >= 0;
}

int TMemoryDataSet::GetRecNo() {
    return ReadInt32(ActiveBuffer() + imageSize_);
}

void TMemoryDataSet::InternalGotoRecNo(int recNo) {
    if (recNo < 1 || recNo > StoredCount()) {
        RaiseComponentError(*this, kSRecordNotFound);
    }
    cursor_ = recNo - 1;
}

void TMemoryDataSet::InternalInitRecord(uint8_t* buffer) {
    std::memset(buffer, 0, imageSize_);
}

void TMemoryDataSet::InternalPost() {
    const uint8_t* buffer = ActiveBuffer();
    std::vector<uint8_t> image(buffer, buffer + imageSize_);
    if (State() == TDataSetState::dsEdit) {
        records_[static_cast<size_t>(cursor_)].Image = std::move(image);
        return;
    }
    const int at = GetBookmarkFlag(buffer) == TBookmarkFlag::bfEOF ? StoredCount()
                                                                   : std::clamp(cursor_, 0, StoredCount());
    records_.insert(records_.begin() + at, {nextId_++, std::move(image)});
    cursor_ = at;
}

void TMemoryDataSet::InternalDelete() {
    records_.erase(records_.begin() + cursor_);
}

template <typename Read>
auto TMemoryDataSet::WithSearchRecord(int index, Read read) {
    searchBuffer_ = records_[static_cast<size_t>(index)].Image;
    const TDataSetState previous = SetTempState(TDataSetState::dsFilter);
    try {
        auto result = read();
        RestoreState(previous);
        return result;
    } catch (...) {
        RestoreState(previous);
        throw;
    }
}

int TMemoryDataSet::FindRecord(std::string_view keyFields, const TVariant& keyValues,
                               TLocateOptions options) {
    const std::vector<TField*> fields = GetFieldList(keyFields);
    for (int index = 0; index < StoredCount(); ++index) {
        const bool matches = WithSearchRecord(index, [&] {
            for (size_t k = 0; k < fields.size(); ++k) {
                const TVariant& wanted = fields.size() == 1 ? keyValues : keyValues.Elements()[k];
                if (!ValueMatches(*fields[k], wanted, options)) {
                    return false;
                }
            }
            return true;
        });
        if (matches) {
            return index;
        }
    }
    return -1;
}

bool TMemoryDataSet::Locate(std::string_view keyFields, const TVariant& keyValues, TLocateOptions options) {
    LocateCalls.push_back({std::string(keyFields), keyValues, options});
    if (FailLocate) {
        RaiseComponentError(*this, "locate failed");
    }
    CheckBrowseMode();
    DoBeforeScroll();
    const int index = FindRecord(keyFields, keyValues, options);
    if (index < 0) {
        return false;
    }
    cursor_ = index;
    Resync({TResyncOption::rmExact, TResyncOption::rmCenter});
    DoAfterScroll();
    return true;
}

TVariant TMemoryDataSet::Lookup(std::string_view keyFields, const TVariant& keyValues,
                                std::string_view resultFields) {
    const int index = FindRecord(keyFields, keyValues, {});
    if (index < 0) {
        return {};
    }
    const std::vector<TField*> results = GetFieldList(resultFields);
    return WithSearchRecord(index, [&] {
        if (results.size() == 1) {
            return results[0]->Value();
        }
        std::vector<TVariant> values;
        for (const TField* field : results) {
            values.push_back(field->Value());
        }
        return TVariant(std::move(values));
    });
}

std::unique_ptr<TMemoryDataSet> MakeNumbered(int count, TComponent* owner) {
    auto dataSet = std::make_unique<TMemoryDataSet>(
        owner, std::vector<TColumn>{{"id", TFieldType::ftInteger}, {"name", TFieldType::ftString, 20}});
    for (int id = 1; id <= count; ++id) {
        dataSet->AddRow({id, "Name" + std::to_string(id)});
    }
    return dataSet;
}

}  // namespace kartei::testsupport
