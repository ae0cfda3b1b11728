#pragma once

#include <memory>
#include <string>
#include <vector>

#include "dataset/framework/DataSet.h"

namespace kartei::lookuptest {

struct TColumn {
    std::string Name;
    TFieldType Type = TFieldType::ftString;
    int Size = 0;
    bool Required = false;
};

// A list dataset for the lookup controls' tests: a dataset over records held in memory as images (one null
// flag and the native form per field), with a cursor that stands on a record or before the first / after the
// last one. Rows given before the first open are written through the fields, in filter state, when it opens.
// A record buffer is the image, then the record number (int32), the bookmark flag (uint8) and the bookmark
// (the record's id, int32). Locate compares strings as the table dataset does for the lookup controls: a
// partial key matches a prefix, and case-insensitive letters of cp1252 match their other case.
class TMemoryDataSet : public TDataSet {
public:
    TMemoryDataSet(TComponent* owner, std::vector<TColumn> columns);
    ~TMemoryDataSet() override;

    void AddRow(std::vector<TVariant> values) { rows_.push_back(std::move(values)); }
    void SetReadOnly(bool readOnly) { readOnly_ = readOnly; }
    int StoredCount() const { return static_cast<int>(records_.size()); }
    // The data source this dataset follows, for the lookup controls' check against circular links.
    void SetMasterSource(TDataSource* source) { masterSource_ = source; }
    TDataSource* GetDataSource() const override { return masterSource_; }
    // Every call of Locate, as field names, value and options, for tests of what the controls ask.
    struct TLocateCall {
        std::string Fields;
        TVariant Value;
        TLocateOptions Options;
    };
    std::vector<TLocateCall> LocateCalls;
    // When set, Locate raises (as an engine failure would).
    bool FailLocate = false;

    bool CanModify() const override { return !readOnly_; }
    bool GetFieldData(const TField& field, void* buffer) override;
    void SetFieldData(TField& field, const void* buffer) override;
    bool Locate(std::string_view keyFields, const TVariant& keyValues, TLocateOptions options) override;
    TVariant Lookup(std::string_view keyFields, const TVariant& keyValues,
                    std::string_view resultFields) override;
    bool BookmarkValid(const TBookmark& bookmark) override;

protected:
    void InternalOpen() override;
    void InternalClose() override;
    void InternalFirst() override { cursor_ = -1; }
    void InternalLast() override { cursor_ = StoredCount(); }
    TGetResult GetRecord(uint8_t* buffer, TGetMode mode, bool doCheck) override;
    size_t RecordBufferSize() const override { return imageSize_ + 9; }
    std::span<const uint8_t> GetBookmarkData(const uint8_t* buffer) const override;
    TBookmarkFlag GetBookmarkFlag(const uint8_t* buffer) const override;
    void SetBookmarkFlag(uint8_t* buffer, TBookmarkFlag flag) override;
    void InternalGotoBookmark(std::span<const uint8_t> bookmark) override;
    int InternalCompareBookmarks(std::span<const uint8_t> a, std::span<const uint8_t> b) override;
    int GetRecordCount() override { return StoredCount(); }
    int GetRecNo() override;
    void InternalGotoRecNo(int recNo) override;
    void InternalInitRecord(uint8_t* buffer) override;
    void InternalPost() override;
    void InternalDelete() override;

private:
    struct TStoredRecord {
        int32_t Id = 0;
        std::vector<uint8_t> Image;
    };

    uint8_t* StateBuffer() const;
    int IndexOfBookmark(std::span<const uint8_t> bookmark) const;
    // The first record whose fields match, or -1; each record is looked at in the search buffer.
    int FindRecord(std::string_view keyFields, const TVariant& keyValues, TLocateOptions options);
    // Runs `read` with the search buffer holding the record at `index` as the current one.
    template <typename Read>
    auto WithSearchRecord(int index, Read read);

    std::vector<TColumn> columns_;
    std::vector<std::vector<TVariant>> rows_;
    std::vector<TStoredRecord> records_;
    std::vector<size_t> offsets_;  // per field: its null flag, the native form after it
    size_t imageSize_ = 0;
    std::vector<uint8_t> searchBuffer_;
    int cursor_ = -1;
    int32_t nextId_ = 1;
    TDataSource* masterSource_ = nullptr;
    bool readOnly_ = false;
};

// The places of CityData: "id" (integer) and "City" (string of 200, cp1252), in phone-book order.
std::unique_ptr<TMemoryDataSet> MakeCities(TComponent* owner = nullptr);
// The codes of CityData: "city_id" (integer) and "areacode" (string of 20), ordered by city_id.
std::unique_ptr<TMemoryDataSet> MakeAreaCodes(TComponent* owner = nullptr);

}  // namespace kartei::lookuptest
