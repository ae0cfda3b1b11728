#pragma once

#include <memory>
#include <string>
#include <vector>

#include "dataset/framework/DataSet.h"

namespace kartei::testsupport {

struct TColumn {
    std::string Name;
    TFieldType Type = TFieldType::ftString;
    int Size = 0;
    bool Required = false;
};

// A dataset over records held in memory as images (one null flag and the native form per field), with a
// cursor that stands on a record or before the first / after the last one. Rows given before the first
// open are written through the fields, in filter state, when it opens. A record buffer is the image,
// then the record number (int32), the bookmark flag (uint8) and the bookmark (the record's id, int32).
class TMemoryDataSet : public TDataSet {
public:
    TMemoryDataSet(TComponent* owner, std::vector<TColumn> columns);
    ~TMemoryDataSet() override;

    void AddRow(std::vector<TVariant> values) { rows_.push_back(std::move(values)); }
    void SetReadOnly(bool readOnly) { readOnly_ = readOnly; }
    int StoredCount() const { return static_cast<int>(records_.size()); }
    // How many records GetRecord has read so far.
    int ReadCount() const { return readCount_; }
    // When ReadCount() reaches this number, the next read fails as a checked read fails: it raises.
    int FailAtRead = -1;
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
    std::string GetBlobContents(const TField& field) override;
    void SetBlobContents(TField& field, std::string_view contents) override;
    bool Locate(std::string_view keyFields, const TVariant& keyValues, TLocateOptions options) override;
    TVariant Lookup(std::string_view keyFields, const TVariant& keyValues,
                    std::string_view resultFields) override;
    bool BookmarkValid(const TBookmark& bookmark) override;

    // For tests of the temporary states and of refilling.
    using TDataSet::RestoreState;
    using TDataSet::Resync;
    using TDataSet::SetTempState;
    using TDataSet::UpdateCursorPos;

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
    std::vector<std::string> blobs_;
    int cursor_ = -1;
    int32_t nextId_ = 1;
    int readCount_ = 0;
    TDataSource* masterSource_ = nullptr;
    bool readOnly_ = false;
};

// Records with "id" (integer, 1..count) and "name" (string of 20, "Name<id>").
std::unique_ptr<TMemoryDataSet> MakeNumbered(int count, TComponent* owner = nullptr);

}  // namespace kartei::testsupport
