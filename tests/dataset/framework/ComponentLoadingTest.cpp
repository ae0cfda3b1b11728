#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>

#include "MemoryDataSet.h"
#include "RecordingLink.h"
#include "dataset/framework/DataSource.h"

namespace kartei::fwtest {
namespace {

using Events = std::vector<std::string>;

// Writes down when it is loaded and destroyed.
class TLoggingComponent : public TComponent {
public:
    TLoggingComponent(TComponent* owner, std::string name, Events& log) : TComponent(owner), log_(log) {
        SetName(std::move(name));
    }
    ~TLoggingComponent() override {
        log_.push_back("free " + Name() + (Owner() && Owner()->IsDestroying() ? " (owner destroying)" : ""));
    }
    bool FailsToLoad = false;

protected:
    void Loaded() override {
        log_.push_back("loaded " + Name() + (Loading() ? " (still loading)" : ""));
        if (FailsToLoad) {
            throw std::runtime_error("cannot load " + Name());
        }
    }

private:
    Events& log_;
};

TEST(ComponentTest, AnOwnerFreesItsComponentsLastFirst) {
    Events log;
    {
        TLoggingComponent form(nullptr, "form", log);
        new TLoggingComponent(&form, "a", log);
        auto* b = new TLoggingComponent(&form, "b", log);
        new TLoggingComponent(b, "b1", log);
        auto* c = new TLoggingComponent(&form, "c", log);
        EXPECT_EQ(form.ComponentCount(), 3);
        EXPECT_EQ(form.Components(1), b);
        EXPECT_EQ(b->Owner(), &form);
        delete c;  // leaves its owner
        EXPECT_EQ(form.ComponentCount(), 2);
        log.clear();
    }
    // Each component's own destructor runs before the components it owns are freed.
    EXPECT_EQ(log, (Events{"free form", "free b (owner destroying)", "free b1 (owner destroying)",
                           "free a (owner destroying)"}));
}

TEST(ComponentTest, EndLoadingAppliesWhatWasStoredInCreationOrder) {
    Events log;
    TLoggingComponent form(nullptr, "form", log);
    form.BeginLoading();
    auto* db = new TLoggingComponent(&form, "db", log);
    auto* table = MakeNumbered(30, &form).release();
    table->SetName("tblCity");
    auto* source = new TDataSource(&form);
    source->SetName("dsCity");
    EXPECT_TRUE(db->Loading());
    EXPECT_TRUE(table->Loading());
    EXPECT_TRUE(source->Loading());

    TRecordingLink list;  // a control's link, not a component
    list.Shared = &log;
    table->SetActive(true);
    source->SetDataSet(table);
    list.SetDataSource(source);
    list.SetBufferCount(17);
    table->AfterOpen = [&log](TDataSet& dataSet) { log.push_back("opened " + dataSet.Name()); };
    EXPECT_FALSE(table->Active());  // only stored
    EXPECT_FALSE(list.Active());

    form.EndLoading();
    EXPECT_EQ(log, (Events{"loaded form", "loaded db", "active", "opened tblCity"}));
    EXPECT_FALSE(form.Loading());
    EXPECT_FALSE(table->Loading());
    EXPECT_TRUE(table->Active());
    EXPECT_EQ(list.RecordCount(), 17);
    list.SetDataSource(nullptr);
}

TEST(ComponentTest, TheLastValueStoredWhileLoadingCounts) {
    TComponent form;
    form.BeginLoading();
    auto* table = MakeNumbered(3, &form).release();
    table->Open();
    table->Close();
    form.EndLoading();
    EXPECT_FALSE(table->Active());
}

TEST(ComponentTest, AFailingLoadEndsLoadingForTheRestAndPassesOn) {
    Events log;
    TLoggingComponent form(nullptr, "form", log);
    form.BeginLoading();
    auto* first = new TLoggingComponent(&form, "first", log);
    auto* second = new TLoggingComponent(&form, "second", log);
    auto* third = new TLoggingComponent(&form, "third", log);
    second->FailsToLoad = true;
    EXPECT_THROW(form.EndLoading(), std::runtime_error);
    EXPECT_EQ(log, (Events{"loaded form", "loaded first", "loaded second"}));
    EXPECT_FALSE(first->Loading());
    EXPECT_FALSE(third->Loading());
    EXPECT_FALSE(form.Loading());
    log.clear();
}

}  // namespace
}  // namespace kartei::fwtest
