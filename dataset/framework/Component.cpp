#include "dataset/framework/Component.h"

#include <algorithm>

#include "base/ScopeGuard.h"

namespace kartei {

TComponent::TComponent(TComponent* owner) : owner_(owner) {
    if (owner_) {
        owner_->components_.push_back(this);
        loading_ = owner_->loading_;
    }
}

TComponent::~TComponent() {
    Destroying();
    while (!components_.empty()) {
        delete components_.back();  // its destructor leaves this list
    }
    if (owner_) {
        std::erase(owner_->components_, this);
    }
}

void TComponent::SetName(std::string name) {
    name_ = std::move(name);
}

void TComponent::BeginLoading() {
    loading_ = true;
    for (TComponent* component : components_) {
        component->BeginLoading();
    }
}

void TComponent::CollectLoading(std::vector<TComponent*>& list) {
    if (loading_) {
        list.push_back(this);
    }
    for (TComponent* component : components_) {
        component->CollectLoading(list);
    }
}

void TComponent::EndLoading() {
    std::vector<TComponent*> loading;
    CollectLoading(loading);
    size_t k = 0;
    // When one component's Loaded raises, the ones after it are no longer loading either.
    TUndoGuard finishRest([&loading, &k] {
        for (size_t rest = k + 1; rest < loading.size(); ++rest) {
            loading[rest]->loading_ = false;
        }
    });
    for (; k < loading.size(); ++k) {
        loading[k]->loading_ = false;
        loading[k]->Loaded();
    }
    finishRest.Dismiss();
}

void TComponent::Destroying() {
    if (destroying_) {
        return;
    }
    destroying_ = true;
    for (TComponent* component : components_) {
        component->Destroying();
    }
}

}  // namespace kartei
