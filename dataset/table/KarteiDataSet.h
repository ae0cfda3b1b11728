#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

#include "dataset/framework/DataSet.h"
#include "dataset/table/IndexInfo.h"
#include "dataset/table/KeyBuffer.h"
#include "kartei/Record.h"

namespace kartei {

class TDataCursor;
struct TFieldDescriptor;

// A dataset over one engine cursor: record buffers filled from the cursor, fields read from and written to
// record images, bookmarks, the current index's key fields, and key ranges. A record buffer holds the
// record image, then the record info (32-bit ordinal, then the bookmark flag), then the bookmark.
//
// Which cursor, and what happens around opening, the derived classes say through the virtual steps below.
class TKarteiDataSet : public TDataSet {
public:
    explicit TKarteiDataSet(TComponent* owner = nullptr);
    ~TKarteiDataSet() override;

    // The engine cursor while open.
    TDataCursor* Cursor() const { return cursor_.get(); }
    bool CanModify() const override { return canModify_; }

    bool AutoDisplayLabels() const { return autoDisplayLabels_; }
    void SetAutoDisplayLabels(bool value);
    bool CopyOnAppend() const { return copyOnAppend_; }
    void SetCopyOnAppend(bool value) { copyOnAppend_ = value; }

    bool GetFieldData(const TField& field, void* buffer) override;
    void SetFieldData(TField& field, const void* buffer) override;

    bool Locate(std::string_view keyFields, const TVariant& keyValues, TLocateOptions options) override;
    TVariant Lookup(std::string_view keyFields, const TVariant& keyValues,
                    std::string_view resultFields) override;
    bool BookmarkValid(const TBookmark& bookmark) override;

    const TIndexInfo& IndexInfo() const { return indexInfo_; }
    // Whether a key range is applied to the cursor.
    bool RangeApplied() const;

protected:
    // ---- Steps the derived classes supply ----

    // A new, opened engine cursor; none here.
    virtual std::unique_ptr<TDataCursor> CreateHandle();
    // Closes and frees the cursor.
    virtual void DestroyHandle();
    // A second cursor for searching on `fields` with that case rule, cached by the derived class; none here.
    virtual void DropSearchCursor() {}
    virtual TDataCursor* GetSearchCursor(std::string_view fields, bool caseInsensitive);
    // Runs when the dataset has opened, before the first record is read.
    virtual void AfterOpenHook() {}
    // Gets the cursor (CreateHandle) and lets it go (DestroyHandle); a derived class wraps them.
    virtual void OpenCursor();
    virtual void CloseCursor();

    // ---- TDataSet ----
    void InternalOpen() override;
    void InternalClose() override;
    void InternalFirst() override;
    void InternalLast() override;
    TGetResult GetRecord(uint8_t* buffer, TGetMode mode, bool doCheck) override;
    size_t RecordBufferSize() const override;
    std::span<const uint8_t> GetBookmarkData(const uint8_t* buffer) const override;
    TBookmarkFlag GetBookmarkFlag(const uint8_t* buffer) const override;
    void SetBookmarkFlag(uint8_t* buffer, TBookmarkFlag flag) override;
    void InternalGotoBookmark(std::span<const uint8_t> bookmark) override;
    int InternalCompareBookmarks(std::span<const uint8_t> a, std::span<const uint8_t> b) override;
    int GetRecordCount() override;
    int GetRecNo() override;
    void InternalGotoRecNo(int recNo) override;
    void InternalInitRecord(uint8_t* buffer) override;
    void InternalPost() override;
    void InternalDelete() override;

    // ---- Services ----

    void ReadIndexInfo();
    void ClearIndexInfo() { indexInfo_ = {}; }
    // The bookmark size follows the current index; after an index switch the buffers are rebuilt.
    void UpdateRecordLayout();
    // The field object of the current index's field at `position` (0-based); "Feldindex außerhalb des
    // gültigen Bereichs" beyond the index fields, "Zugriff auf Indexfeld '%s' nicht möglich" without one.
    TField& IndexField(int position);

    // Key editing into one of the key buffers: the buffer is cleared to a blank record and marked
    // modified; fields written meanwhile go into it.
    TDataSetState BeginKeyEdit(TKeyBuffer& buffer);
    void EndKeyEdit(TDataSetState previous);
    TKeyBuffer& RangeStart() { return rangeStart_; }
    TKeyBuffer& RangeEnd() { return rangeEnd_; }
    // Sets the cursor's range from the range buffers unless they equal the applied ones; true when it did.
    bool ApplyRange();
    // Cancels an applied range; true when there was one.
    bool CancelAppliedRange();

private:
    const TFieldDescriptor& Descriptor(const TField& field) const;
    uint8_t* RecordForState() const;
    uint16_t LanguageId() const;
    uint16_t SortId() const;
    void AllocateWorkBuffers();
    void FreeWorkBuffers();
    [[noreturn]] void RaiseStatus(int status) const;

    // Locate and lookup (KarteiDataSetLocate.cpp). The shared search: the first record, in the order of
    // the cursor used, whose listed fields equal the values. It searches by key on the own cursor when its
    // index fits, else on the search cursor, else it scans the own cursor; the found record is left in
    // the scratch record. The dataset's position is marked as changed, so its next operation puts the
    // cursor back unless the caller makes the found record current (`moveOwnCursor`: the own cursor ends
    // on it).
    bool Search(std::string_view keyFields, const TVariant& keyValues, TLocateOptions options,
                bool moveOwnCursor);
    bool OwnIndexFits(const std::vector<TField*>& fields, bool caseInsensitive) const;
    // The values as the fields convert them (filter state), each in its engine field's kind.
    std::vector<TFieldValue> FieldValues(const std::vector<TField*>& fields, const TVariant& values);
    bool SearchByKey(TDataCursor& cursor, const std::vector<TField*>& fields, const TVariant& values,
                     bool partialKey);
    bool Scan(const std::vector<TField*>& fields, const TVariant& values, TLocateOptions options);

    std::unique_ptr<TDataCursor> cursor_;
    uint16_t recordSize_ = 0;
    size_t bookmarkSize_ = 0;
    bool canModify_ = false;
    bool autoDisplayLabels_ = false;
    bool copyOnAppend_ = false;
    TIndexInfo indexInfo_;

    TKeyBuffer rangeStart_;
    TKeyBuffer rangeEnd_;
    TKeyBuffer appliedStart_;
    TKeyBuffer appliedEnd_;
    TKeyBuffer* keyBuffer_ = nullptr;
    // The scratch record: searches and lookups read into it.
    std::vector<uint8_t> tempBuffer_;
    // The record the filter and calculated-fields states read and write.
    uint8_t* stateRecord_ = nullptr;
    // While a search converts its values (filter state), field writes land here instead.
    TFieldValue* searchValue_ = nullptr;
};

}  // namespace kartei
