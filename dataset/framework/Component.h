#pragma once

#include <string>
#include <vector>

namespace kartei {

// The base of the declared, named components (datasets, data sources, sessions, databases). An owner
// frees the components it owns, last created first.
//
// Two-phase declaration: a window declares its components in code between BeginLoading and EndLoading
// of their owner. While a component is loading, its property setters only store what they are given,
// without checks and without side effects; EndLoading then calls Loaded on the owner and on every
// component it owns (creation order, depth first), which applies the stored values: a database
// connects, a dataset opens.
class TComponent {
public:
    explicit TComponent(TComponent* owner = nullptr);
    virtual ~TComponent();
    TComponent(const TComponent&) = delete;
    TComponent& operator=(const TComponent&) = delete;

    const std::string& Name() const { return name_; }
    virtual void SetName(std::string name);

    TComponent* Owner() const { return owner_; }
    int ComponentCount() const { return static_cast<int>(components_.size()); }
    TComponent* Components(int index) const { return components_.at(static_cast<size_t>(index)); }

    // A component created while its owner is loading starts loading too.
    bool Loading() const { return loading_; }
    void BeginLoading();
    // Each loading component in turn leaves the loading state and runs Loaded. When one raises, the
    // rest leave the loading state without Loaded and the error passes on.
    void EndLoading();

    bool IsDestroying() const { return destroying_; }
    // Marks this component and the ones it owns as being destroyed. A class that must act differently
    // while being destroyed calls it first thing in its destructor.
    void Destroying();

protected:
    // Applies what was stored while loading.
    virtual void Loaded() {}

private:
    void CollectLoading(std::vector<TComponent*>& list);

    std::string name_;
    TComponent* owner_ = nullptr;
    std::vector<TComponent*> components_;
    bool loading_ = false;
    bool destroying_ = false;
};

}  // namespace kartei
