#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "dataset/framework/Component.h"
#include "dataset/framework/DataSetTypes.h"
#include "dataset/framework/FieldDefs.h"
#include "dataset/framework/Fields.h"
#include "dataset/framework/NotifyList.h"
#include "dataset/framework/Variant.h"

namespace kartei {

class TDataLink;
class TDataSource;

// A dataset: records in an order, one of them current, seen through data sources by data links.
// TDataSet does the framework's part (states, navigation, the window of record buffers, notifications,
// bookmarks, editing); a dataset class supplies the record access through the protected hooks.
//
// The window of record buffers. The dataset keeps up to BufferCount consecutive records of the current
// order around the current record, BufferCount being the largest buffer count any of its links asks
// for (at least 1). Its filled rows start at row 0; one of them is the current row (the active record).
// - Moving inside the window only changes the current row.
// - Moving past the last or first row scrolls the window one record per step, the current record
//   staying on the edge row; links get DataSetScrolled with the number of records the window moved
//   (positive towards the end; 0 when only the row changed). When the window grows instead of
//   scrolling (it was not full) they get DataSetChanged.
// - First fills the window from the first record on, the current record on row 0; Last fills it
//   backwards, the current record on the last filled row.
// - Resync refills it around the cursor's record: with rmCenter that record stands in the middle row
//   ((BufferCount - 1) / 2) when enough records lie before it, otherwise on the row the records before
//   it allow; the rest of the window is filled from the records after it and, when those run out, from
//   further records before it, as far as records exist. A locate and GotoBookmark refill it so.
// Buffers are allocated when the dataset opens (BufferCount + 1, the extra one to read into) and are
// reused by every move; only a change of BufferCount or of the buffer size reallocates.
//
// BOF and EOF tell that a move reached the first or the last record and could go no further; First sets
// BOF, Last sets EOF, an empty dataset has both.
//
// Notifications go through the data sources to their links, unless controls are disabled
// (DisableControls); re-enabling sends one DataSetChanged (LayoutChanged when the dataset was closed or
// its layout changed meanwhile), after the state change if there was one.
//
// Errors raised on the dataset's behalf carry its name as prefix ("%s: %s") when it has one.
class TDataSet : public TComponent {
public:
    explicit TDataSet(TComponent* owner = nullptr);
    // A dataset class closes itself in its own destructor (Destroying(), then Close()): the hooks are
    // gone by the time this destructor runs. Here the data sources are let go, so their links become
    // inactive.
    ~TDataSet() override;

    // Opening and state. While loading, SetActive only stores the value; Loaded applies it.
    bool Active() const { return state_ != TDataSetState::dsInactive; }
    void SetActive(bool active);
    void Open() { SetActive(true); }
    void Close() { SetActive(false); }
    TDataSetState State() const { return state_; }
    bool Modified() const { return modified_; }
    // Raise "Operation bei geschlossener/geöffneter Datenmenge nicht ausführbar".
    void CheckActive() const;
    void CheckInactive() const;
    // Checks that the dataset is open and puts it into browse state: pending edits are posted when
    // modified and cancelled otherwise.
    void CheckBrowseMode();
    // Whether records may be edited, inserted or deleted.
    virtual bool CanModify() const { return true; }

    // Navigation. Each runs BeforeScroll and AfterScroll around the move.
    void First();
    void Last();
    void Next() { MoveBy(1); }
    void Prior() { MoveBy(-1); }
    // Moves up to `distance` records (negative: backwards); returns how many it moved, with that sign.
    int MoveBy(int distance);
    bool Bof() const { return bof_; }
    bool Eof() const { return eof_; }
    bool IsEmpty() const { return recordCount_ == 0; }
    // The number of records (of the current range and filters) as the dataset class counts them.
    int RecordCount();
    // The current record's number (1-based), or -1 without one; setting moves there and refills the
    // window around it.
    int RecNo();
    void SetRecNo(int recNo);
    // Marks the cursor as no longer standing on the current record; the next operation puts it back.
    void CursorPosChanged() { currentRecord_ = -1; }

    // Notifications
    void DisableControls();
    void EnableControls();
    bool ControlsDisabled() const { return disableCount_ != 0; }
    // Sends an event through the data sources to their links.
    void DataEvent(TDataEvent event, const TDataEventInfo& info = {});

    // Fields. FieldByName and GetFieldList raise "Das Feld '%s' wurde nicht gefunden".
    TFields& Fields() { return fields_; }
    const TFields& Fields() const { return fields_; }
    TFieldDefs& FieldDefs() { return fieldDefs_; }
    const TFieldDefs& FieldDefs() const { return fieldDefs_; }
    TField* FindField(std::string_view name) const { return fields_.FindField(name); }
    TField& FieldByName(std::string_view name) const;
    std::vector<TField*> GetFieldList(std::string_view names) const;

    // The field access hooks. GetFieldData copies the field's native form (TField::DataSize bytes) from
    // the record buffer of the current state into `buffer` and returns true, or returns false when the
    // field is null (or there is no record); a null `buffer` asks only for the null state.
    // SetFieldData writes the native form, or null for a null `buffer`; the field has made its checks.
    virtual bool GetFieldData(const TField& field, void* buffer) = 0;
    virtual void SetFieldData(TField& field, const void* buffer) = 0;
    // The contents of a blob field of the current record, and writing them. This dataset raises "Blob-
    // Inhalte werden von dieser Datenmenge nicht unterstützt".
    virtual std::string GetBlobContents(const TField& field);
    virtual void SetBlobContents(TField& field, std::string_view contents);

    // Searching. Locate makes the first record whose fields (";"-separated names) equal the values (one
    // value, or an array with one element per field) the current one and refills the window with it in
    // the middle; it returns false and leaves the position when none matches. Lookup returns the result
    // fields' values of that record (an array for several fields) or null, without moving.
    virtual bool Locate(std::string_view keyFields, const TVariant& keyValues, TLocateOptions options) = 0;
    virtual TVariant Lookup(std::string_view keyFields, const TVariant& keyValues,
                            std::string_view resultFields) = 0;

    // Bookmarks. GetBookmark is empty without a current record read from the cursor. GotoBookmark
    // refills the window with that record in the middle. CompareBookmarks: both empty 0, only the second
    // empty -1, only the first empty 1, else the dataset class's order.
    TBookmark GetBookmark() const;
    void GotoBookmark(const TBookmark& bookmark);
    int CompareBookmarks(const TBookmark& a, const TBookmark& b);
    virtual bool BookmarkValid(const TBookmark& bookmark) = 0;

    // Editing. Edit, Insert, Append and Delete first require CanModify ("Eine Datenmenge, die nur zum
    // Lesen ist, kann nicht geändert werden"). Insert puts a new record in the current row, Append after
    // the last record; Post writes the record (required fields must have a value: "Feld '%s' muss
    // einen Wert haben") and Cancel drops the changes; both refill the window around the record.
    void Edit();
    void Insert();
    void Append();
    void Post();
    void Cancel();
    void Delete();
    // Lets the links write their pending values into the fields (UpdateData).
    void UpdateRecord();

    // The master chain: the data source whose dataset this one follows (none here), and whether walking
    // from `source` along datasets and their masters reaches this dataset.
    virtual TDataSource* GetDataSource() const { return nullptr; }
    bool IsLinkedTo(const TDataSource* source) const;

    // Events, each given the dataset.
    TDataSetNotifyEvent BeforeOpen;
    TDataSetNotifyEvent AfterOpen;
    TDataSetNotifyEvent BeforeClose;
    TDataSetNotifyEvent AfterClose;
    TDataSetNotifyEvent BeforeScroll;
    TDataSetNotifyEvent AfterScroll;

protected:
    // ---- Hooks a dataset class implements ----

    // Opens the cursor, fills FieldDefs, creates the fields (CreateFields) and leaves the cursor before
    // the first record. On failure it cleans up after itself; the dataset stays inactive.
    virtual void InternalOpen() = 0;
    // Destroys the fields (DestroyFields) and releases the cursor.
    virtual void InternalClose() = 0;
    // Cursor before the first record, after the last record.
    virtual void InternalFirst() = 0;
    virtual void InternalLast() = 0;
    // Reads the record at, after or before the cursor into `buffer` and moves the cursor onto it;
    // grBOF/grEOF when there is none (the cursor then stands before the first or after the last record).
    // A failure raises when `doCheck` is set and gives grError otherwise. A record read gets the
    // bookmark flag bfCurrent and its bookmark.
    virtual TGetResult GetRecord(uint8_t* buffer, TGetMode mode, bool doCheck) = 0;
    // Bytes of one record buffer: the record, and whatever the class keeps with it (bookmark, flag).
    virtual size_t RecordBufferSize() const = 0;

    // Bookmarks kept in the record buffers.
    virtual std::span<const uint8_t> GetBookmarkData(const uint8_t* buffer) const = 0;
    virtual TBookmarkFlag GetBookmarkFlag(const uint8_t* buffer) const = 0;
    virtual void SetBookmarkFlag(uint8_t* buffer, TBookmarkFlag flag) = 0;
    virtual void InternalGotoBookmark(std::span<const uint8_t> bookmark) = 0;
    // Puts the cursor on the record of a buffer; here: onto its bookmark when it was read from the cursor.
    virtual void InternalSetToRecord(const uint8_t* buffer);
    // Both bookmarks present: negative, 0 or positive as `a` comes before, with or after `b`.
    virtual int InternalCompareBookmarks(std::span<const uint8_t> a, std::span<const uint8_t> b) = 0;

    virtual int GetRecordCount() = 0;
    // The record number kept in the active buffer, and moving the cursor to a record number.
    virtual int GetRecNo() = 0;
    virtual void InternalGotoRecNo(int recNo) = 0;

    // Editing: a blank new record in `buffer`; preparing to edit the current record (the cursor stands
    // on it); writing the active buffer (State() tells edit or insert; an inserted record goes before
    // the cursor's record, or at the end when its flag is bfEOF) and leaving the cursor on the written
    // record; dropping the changes; deleting the cursor's record and leaving the cursor on the record
    // after it (or after the last one).
    virtual void InternalInitRecord(uint8_t* buffer) = 0;
    virtual void InternalEdit() {}
    virtual void InternalPost() = 0;
    virtual void InternalCancel() {}
    virtual void InternalDelete() = 0;

    // ---- Services for dataset classes ----

    void Loaded() override;
    // The buffer of the current row; none when the window is empty.
    uint8_t* ActiveBuffer() const;
    // Fields for the definitions that have a field class, in definition order.
    void CreateFields();
    void DestroyFields() { fields_.Clear(); }
    // Refills the window around the record the cursor stands on (see above); the caller has put it there
    // (UpdateCursorPos, or the operation that moved it). rmExact raises "Datensatz nicht gefunden" when
    // the cursor stands on no record; otherwise the nearest record is taken, and with none the window
    // is left empty. Links get DataSetChanged.
    void Resync(TResyncMode mode);
    // Reallocates the buffers at the current RecordBufferSize and empties the window (after the record
    // layout changed); Resync refills it.
    void RebuildBuffers();
    void DoBeforeScroll();
    void DoAfterScroll();
    void SetState(TDataSetState state);
    // A state entered for an internal step (reading into another buffer, searching): links are not told,
    // and notifications are held until RestoreState.
    TDataSetState SetTempState(TDataSetState state);
    void RestoreState(TDataSetState state);
    // Puts the cursor back onto the current record if it left it.
    void UpdateCursorPos();
    void CheckCanModify() const;

private:
    friend class TDataLink;
    friend class TDataSource;

    void OpenDataSet();
    void CloseDataSet();
    void ReleaseCursor();

    void ClearBuffers();
    void ActivateBuffers();
    void SetCurrentRecord(int row);
    bool ReadIntoFreeBuffer(TGetMode mode);
    bool GetNextRecord();
    bool GetPriorRecord();
    void GetNextRecords();
    void FillPriorRecords();
    void NewRecordInBuffer(uint8_t* buffer, TBookmarkFlag flag);
    void CheckRequiredFields();

    // Data sources and buffer count.
    void AddDataSource(TDataSource* source);
    void RemoveDataSource(TDataSource* source);
    void UpdateBufferCount();
    void SetBufferCount(int count);

    TDataSetState state_ = TDataSetState::dsInactive;
    bool modified_ = false;
    bool streamedActive_ = false;
    bool bof_ = true;
    bool eof_ = true;

    TFieldDefs fieldDefs_;
    TFields fields_;

    // The window: bufferCount_ + 1 buffers while open; rows 0..recordCount_-1 filled, the next one free
    // to read into. currentRecord_ is the row whose record the cursor stands on, -1 when unknown.
    std::vector<std::unique_ptr<uint8_t[]>> buffers_;
    size_t bufferSize_ = 0;
    int bufferCount_ = 1;
    int recordCount_ = 0;
    int activeRecord_ = 0;
    int currentRecord_ = -1;

    TNotifyList<TDataSource> dataSources_;
    int disableCount_ = 0;
    TDataSetState disableState_ = TDataSetState::dsInactive;
    TDataEvent enableEvent_ = TDataEvent::deDataSetChange;
};

}  // namespace kartei
