#include "tools/model/ModelPlanner.h"

#include "tools/model/ModelRandom.h"

namespace kartei::tools::model {
namespace {

TModelOperation Emptying() {
    TModelOperation operation;
    operation.Kind = TOperationKind::Empty;
    return operation;
}

}  // namespace

TBatchPlanner::TBatchPlanner(uint32_t seed, const TModelTable& model, size_t maxRecords, bool failingDisk)
    : random_(seed),
      values_(model.Fields(), model.LocaleTable()),
      maxRecords_(maxRecords),
      failingDisk_(failingDisk) {
    target_ = std::uniform_int_distribution<size_t>(maxRecords_ / 2, maxRecords_)(random_);
}

const TModelRecord& TBatchPlanner::AnyRecord(const TModelTable& model) {
    const std::vector<const TModelRecord*> live = model.Live();
    return *live[std::uniform_int_distribution<size_t>(0, live.size() - 1)(random_)];
}

TModelOperation TBatchPlanner::NextOperation(const TModelTable& model) {
    if (growing_ && model.Size() >= target_) {
        growing_ = false;
        target_ = std::uniform_int_distribution<size_t>(0, model.Size() / 2)(random_);
    } else if (!growing_ && model.Size() <= target_) {
        growing_ = true;
        target_ = std::uniform_int_distribution<size_t>(model.Size(), maxRecords_)(random_);
    }
    TModelOperation operation;
    if (model.Empty() || Chance(random_, growing_ ? 0.7 : 0.3)) {
        operation.Kind = TOperationKind::Insert;
        operation.Values =
            values_.Make(random_, !model.Empty() && Chance(random_, 0.6) ? &AnyRecord(model) : nullptr);
        return operation;
    }
    const TModelRecord& target = AnyRecord(model);
    operation.TargetId = target.Id;
    if (Chance(random_, 0.6)) {
        operation.Kind = TOperationKind::Delete;
        return operation;
    }
    // A change of some fields, key fields as often as any: near the old values, or near another record's.
    operation.Kind = TOperationKind::Modify;
    operation.Values = target.Values;
    const TModelRecord& like = Chance(random_, 0.5) ? target : AnyRecord(model);
    for (size_t k = 0; k < operation.Values.size(); ++k) {
        if (Chance(random_, 0.5)) {
            operation.Values[k] = values_.MakeOne(random_, k, &like.Values[k]);
        }
    }
    return operation;
}

TBatchPlan TBatchPlanner::Next(const TModelTable& model) {
    TBatchPlan plan(model);
    const double kind = std::uniform_real_distribution<double>(0, 1)(random_);
    plan.Exclusive = kind < 0.06;
    plan.Transaction = plan.Exclusive ? !failingDisk_ && Chance(random_, 0.3) : kind < 0.3;
    plan.Commit = !plan.Transaction || Chance(random_, 0.6);
    const auto add = [&](TModelOperation operation) {
        plan.After.Predict(operation, plan.Exclusive, plan.Transaction);
        plan.After.Apply(operation);
        plan.Operations.push_back(std::move(operation));
    };
    if (plan.Exclusive && (failingDisk_ || Chance(random_, 0.5))) {
        add(Emptying());
        if (failingDisk_) {
            return plan;
        }
    }
    const int count = std::uniform_int_distribution<int>(1, Chance(random_, 0.2) ? 120 : 30)(random_);
    for (int k = 0; k < count; ++k) {
        // Now and then an emptying the table's state refuses.
        add(Chance(random_, 0.004) ? Emptying() : NextOperation(plan.After));
    }
    if (!plan.Commit) {
        plan.After = model;
    }
    return plan;
}

}  // namespace kartei::tools::model
