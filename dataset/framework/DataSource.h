#pragma once

#include "dataset/framework/Component.h"
#include "dataset/framework/DataSetTypes.h"
#include "dataset/framework/NotifyList.h"

namespace kartei {

class TDataLink;
class TDataSet;

// Connects a dataset to its data links and passes the dataset's notifications on to them: first to
// the links that do not belong to visual controls, then to those that do, each in the order they were
// attached. A disabled data source reports the inactive state and passes nothing
// on, so its links are inactive. Destroying a data source detaches its links (they become inactive);
// destroying its dataset leaves it without one.
class TDataSource : public TComponent {
public:
    explicit TDataSource(TComponent* owner = nullptr);
    ~TDataSource() override;

    TDataSet* DataSet() const { return dataSet_; }
    // Refuses a dataset whose master chain leads back to this data source ("Zirkuläre
    // Datenverbindungen sind nicht erlaubt"); while loading the value is taken without that check.
    void SetDataSet(TDataSet* dataSet);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);
    // The dataset's state, or inactive without a dataset or while disabled.
    TDataSetState State() const { return state_; }
    // Puts a browsing dataset into edit state.
    void Edit();

private:
    friend class TDataSet;
    friend class TDataLink;

    void DataEvent(TDataEvent event, const TDataEventInfo& info);
    template <typename F>
    void NotifyLinks(F&& notify);
    void UpdateState();
    void DataSetDestroyed();
    int MaxBufferCount() const;
    void AddLink(TDataLink* link);
    void RemoveLink(TDataLink* link);

    TDataSet* dataSet_ = nullptr;
    bool enabled_ = true;
    TDataSetState state_ = TDataSetState::dsInactive;
    TNotifyList<TDataLink> links_;
};

}  // namespace kartei
