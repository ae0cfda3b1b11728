#pragma once

#include "dataset/framework/DataSetTypes.h"

namespace kartei {

class TDataSet;
class TDataSource;
class TField;

// One client's view of a dataset through a data source: whether it is active and editing, and a window
// of up to BufferCount() rows within the dataset's window that always holds the current record (the
// dataset's window is as large as the largest buffer count of its links, so a link with the largest
// count sees the dataset's window itself). A class derived from TDataLink receives the dataset's
// notifications through the virtual functions below; the defaults pass a layout change or a scroll on
// as a data-set change, and a data-set change as a record change of no particular field.
class TDataLink {
public:
    TDataLink() = default;
    virtual ~TDataLink();
    TDataLink(const TDataLink&) = delete;
    TDataLink& operator=(const TDataLink&) = delete;

    TDataSource* DataSource() const { return dataSource_; }
    void SetDataSource(TDataSource* source);
    TDataSet* DataSet() const;

    bool Active() const { return active_; }
    // Active, not read-only, and the dataset in edit, insert or set-key state.
    bool Editing() const { return editing_; }
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool readOnly);

    // The row of the current record within this link's window (0 while inactive). Setting it points the
    // dataset at another filled row, so that its fields read that row's record, without moving the
    // cursor or notifying anyone; point it back when done. A row outside the filled rows raises.
    int ActiveRecord() const;
    void SetActiveRecord(int row);
    // The number of filled rows of this link's window (0 while inactive).
    int RecordCount() const;
    // The rows this link wants to see (at least 1); the dataset's window grows to the largest count.
    int BufferCount() const { return bufferCount_; }
    void SetBufferCount(int count);

    // Links of visual controls hear each notification after the other links (those of detail datasets),
    // so details have followed their master before controls show it.
    bool VisualControl() const { return visualControl_; }
    void SetVisualControl(bool visualControl) { visualControl_ = visualControl; }

    // Puts the dataset into edit state unless the link is read-only; returns Editing().
    bool Edit();
    // Moves the dataset; returns the records moved (0 without a dataset).
    int MoveBy(int distance);

protected:
    virtual void ActiveChanged() {}
    virtual void LayoutChanged() { DataSetChanged(); }
    virtual void DataSetChanged() { RecordChanged(nullptr); }
    // The link's window moved `distance` records (positive towards the end; 0 when only its current row
    // changed).
    virtual void DataSetScrolled(int distance) {
        static_cast<void>(distance);
        DataSetChanged();
    }
    // A field of the current record changed, or with none the record as a whole.
    virtual void RecordChanged(TField* field) { static_cast<void>(field); }
    // Write pending values into the fields.
    virtual void UpdateData() {}
    virtual void EditingChanged() {}
    // Take the focus when showing `field`, then clear it so no other control does.
    virtual void FocusControl(TField*& field) { static_cast<void>(field); }
    // The dataset is about to leave edit or insert state.
    virtual void CheckBrowseMode() {}

private:
    friend class TDataSource;

    void DataEvent(TDataEvent event, const TDataEventInfo& info);
    void UpdateState();
    // Keeps the current record inside the link's window and the window as full as the dataset's allows.
    void UpdateRange();

    TDataSource* dataSource_ = nullptr;
    int firstRecord_ = 0;  // the dataset row of the link's row 0
    int bufferCount_ = 1;
    bool active_ = false;
    bool editing_ = false;
    bool readOnly_ = false;
    bool visualControl_ = false;
    bool updating_ = false;
};

}  // namespace kartei
