#pragma once

#include <algorithm>
#include <vector>

#include "base/ScopeGuard.h"

namespace kartei {

// The receivers of notifications (data sources of a dataset, links of a data source). A receiver may
// leave while a notification is being delivered: its slot is emptied and dropped once the outermost
// delivery has finished, so no receiver is skipped or visited twice. Receivers added during a delivery
// get the next one.
template <typename T>
class TNotifyList {
public:
    void Add(T* item) { items_.push_back(item); }

    void Remove(T* item) {
        const auto it = std::find(items_.begin(), items_.end(), item);
        if (it == items_.end()) {
            return;
        }
        if (depth_ > 0) {
            *it = nullptr;
            holes_ = true;
        } else {
            items_.erase(it);
        }
    }

    template <typename F>
    void ForEach(F&& visit) {
        ++depth_;
        const TUndoGuard leave([this] { Leave(); });
        for (size_t k = 0, count = items_.size(); k < count; ++k) {
            if (T* item = items_[k]) {
                visit(item);
            }
        }
    }

    template <typename F>
    void ForEach(F&& visit) const {
        for (T* item : items_) {
            if (item) {
                visit(item);
            }
        }
    }

private:
    void Leave() {
        if (--depth_ == 0 && holes_) {
            std::erase(items_, nullptr);
            holes_ = false;
        }
    }

    std::vector<T*> items_;
    int depth_ = 0;
    bool holes_ = false;
};

}  // namespace kartei
