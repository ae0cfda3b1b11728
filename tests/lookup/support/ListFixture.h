#pragma once

#include <QWidget>
#include <memory>

#include "dataset/framework/DataSource.h"
#include "lookup/DBLookupListBox.h"
#include "lookup/TickSource.h"
#include "lookup/support/MemoryDataSet.h"

namespace kartei::lookuptest {

// A clock the tests move by hand.
class TFakeTicks : public TTickSource {
public:
    uint32_t Ticks() const override { return Now; }
    uint32_t Now = 100000;
};

// The list box with its protected operations opened for tests.
class TTestListBox : public TDBLookupListBox {
public:
    using TDBLookupListBox::BorderSize;
    using TDBLookupListBox::CancelMode;
    using TDBLookupListBox::CanChangeSelection;
    using TDBLookupListBox::HandleSearchChar;
    using TDBLookupListBox::MouseTracking;
    using TDBLookupListBox::RowHeight;
    using TDBLookupListBox::ScrollInterval;
    using TDBLookupListBox::ScrollTimerId;
    using TDBLookupListBox::ScrollTimerOn;
    using TDBLookupListBox::TDBLookupListBox;
};

// A shown, active window with one list in the window's font, 225 pixels high, over a dataset: the
// cities ("id", "City") by default. The tick source is the fixture's clock while it lives.
class TListWindow {
public:
    explicit TListWindow(std::unique_ptr<TMemoryDataSet> dataSet = MakeCities(), const char* keyField = "id",
                         const char* listField = "City");
    ~TListWindow();

    QWidget Window;
    std::unique_ptr<TMemoryDataSet> DataSet;
    TDataSource Source;
    TTestListBox* List;
    TFakeTicks Clock;
    int Clicks = 0;

    // The first field's value at the list dataset's current record.
    int CurrentKey() const;
    // Sends the key to the list; for characters, the text the key types.
    void Key(Qt::Key key, const QString& text = {});
    void Type(char character);
    void Click(int y);
};

}  // namespace kartei::lookuptest
