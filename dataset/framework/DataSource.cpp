#include "dataset/framework/DataSource.h"

#include <algorithm>

#include "dataset/framework/DataLink.h"
#include "dataset/framework/DataSet.h"
#include "dataset/framework/DatabaseErrors.h"
#include "dataset/framework/FrameworkMessages.h"

namespace kartei {

TDataSource::TDataSource(TComponent* owner) : TComponent(owner) {}

TDataSource::~TDataSource() {
    links_.ForEach([this](TDataLink* link) { RemoveLink(link); });
    SetDataSet(nullptr);
}

void TDataSource::SetDataSet(TDataSet* dataSet) {
    if (dataSet == dataSet_) {
        return;
    }
    if (dataSet && !Loading()) {
        for (const TDataSet* master = dataSet; master;) {
            const TDataSource* source = master->GetDataSource();
            if (source == this) {
                RaiseComponentError(*this, kSCircularDataLink);
            }
            master = source ? source->DataSet() : nullptr;
        }
    }
    if (TDataSet* previous = dataSet_) {
        dataSet_ = nullptr;
        previous->RemoveDataSource(this);
        UpdateState();
    }
    if (dataSet) {
        dataSet_ = dataSet;
        dataSet->AddDataSource(this);
        UpdateState();
    }
}

void TDataSource::SetEnabled(bool enabled) {
    if (enabled != enabled_) {
        enabled_ = enabled;
        UpdateState();
    }
}

void TDataSource::Edit() {
    if (state_ == TDataSetState::dsBrowse) {
        dataSet_->Edit();
    }
}

template <typename F>
void TDataSource::NotifyLinks(F&& notify) {
    for (const bool visual : {false, true}) {
        links_.ForEach([&](TDataLink* link) {
            if (link->VisualControl() == visual) {
                notify(link);
            }
        });
    }
}

void TDataSource::DataEvent(TDataEvent event, const TDataEventInfo& info) {
    if (event == TDataEvent::deUpdateState) {
        UpdateState();
    } else if (state_ != TDataSetState::dsInactive) {
        NotifyLinks([&](TDataLink* link) { link->DataEvent(event, info); });
    }
}

void TDataSource::UpdateState() {
    const TDataSetState state = enabled_ && dataSet_ ? dataSet_->State() : TDataSetState::dsInactive;
    if (state != state_) {
        state_ = state;
        NotifyLinks([](TDataLink* link) { link->UpdateState(); });
    }
}

void TDataSource::DataSetDestroyed() {
    dataSet_ = nullptr;
    UpdateState();
}

int TDataSource::MaxBufferCount() const {
    int count = 1;
    links_.ForEach([&count](const TDataLink* link) { count = std::max(count, link->BufferCount()); });
    return count;
}

void TDataSource::AddLink(TDataLink* link) {
    links_.Add(link);
    link->dataSource_ = this;
    if (dataSet_) {
        dataSet_->UpdateBufferCount();
    }
    link->UpdateState();
}

void TDataSource::RemoveLink(TDataLink* link) {
    link->dataSource_ = nullptr;
    links_.Remove(link);
    link->UpdateState();
    if (dataSet_) {
        dataSet_->UpdateBufferCount();
    }
}

}  // namespace kartei
