#include "tools/model/ModelConcurrent.h"

#include <map>
#include <memory>
#include <random>

#include "engine/cursor/DataCursor.h"
#include "kartei/Errors.h"
#include "kartei/ErrorCodes.h"
#include "engine/format/RecordLayout.h"
#include "tools/TableCheck.h"
#include "tools/model/ModelFailure.h"
#include "tools/model/ModelLog.h"
#include "tools/model/ModelOtherProcess.h"
#include "tools/model/ModelRandom.h"
#include "tools/model/ModelValues.h"
#include "tools/model/ModelWalkCheck.h"
#include "tools/model/ModelWorkload.h"

namespace kartei::tools::model {
namespace {

class TConcurrentRun {
public:
    TConcurrentRun(const std::string& folder, const TConcurrentSettings& settings);
    ~TConcurrentRun();

    void Run();
    std::string Log() const { return log_.Text(); }

private:
    void Walk(int number);
    // A step of the walk; false at its end.
    bool Step(TWalkCheck& check, bool forward);
    // Changes by this process's other user, between the walk's steps.
    void Interfere(TWalkCheck& check);
    void Insert(TModelRecord record, TWalkCheck& check);
    void Delete(int32_t id, TWalkCheck& check);
    // A record below every other (forward) or above (backward) in the walk's order, as far as a few tries
    // find.
    void InsertAtEdge(const TIndexOrder& order, bool forward, TWalkCheck& check);

    const std::string folder_;
    const TConcurrentSettings settings_;
    std::mt19937 random_;
    std::unique_ptr<TDataSession> session_;
    TDataTableImpl* table_ = nullptr;
    std::unique_ptr<TModelTable> shape_;
    std::unique_ptr<TValueSource> values_;
    std::unique_ptr<TDataCursorImpl> cursor_;
    // This process's records, by identifier: the other process never touches them.
    std::map<int32_t, TModelRecord> own_;
    int32_t standsOn_ = 0;
    TRecentLines log_{40};
};

TConcurrentRun::TConcurrentRun(const std::string& folder, const TConcurrentSettings& settings)
    : folder_(folder), settings_(settings), random_(settings.Seed * 40503u + 11u) {
    {
        // The table and its first records come from the sequential workload's first changes.
        TWorkloadSettings filling;
        filling.Seed = settings.Seed;
        filling.Operations = std::uniform_int_distribution<int64_t>(30, 600)(random_);
        filling.Checks = false;
        TModelWorkload workload(folder, filling);
        workload.Run();
        for (const TModelRecord* record : workload.Model().Live()) {
            own_[record->Id] = *record;
        }
    }
    session_ = std::make_unique<TDataSession>();
    TDataDirectoryImpl& directory = Inside(session_->OpenDirectory(folder));
    TTableOpenRequest request;
    request.Name = std::string(TModelWorkload::kTableName);
    const int status = directory.OpenTable(request, table_);
    Expect(status == 0, [&] { return "opening the table gives " + std::to_string(status); });
    shape_ = std::make_unique<TModelTable>(*table_);
    values_ = std::make_unique<TValueSource>(shape_->Fields(), shape_->LocaleTable());
    cursor_ = std::make_unique<TDataCursorImpl>(directory);
    cursor_->Open(request);
}

TConcurrentRun::~TConcurrentRun() {
    cursor_.reset();
    session_.reset();
}

void TConcurrentRun::Run() {
    std::unique_ptr<TOtherProcess> other;
    if (settings_.OtherProcess) {
        other = std::make_unique<TOtherProcess>(folder_, settings_.Seed);
    }
    for (int walk = 1; walk <= settings_.Walks; ++walk) {
        Walk(walk);
    }
    if (other) {
        Expect(other->Stop(), [] { return std::string("the other process failed (see its output)"); });
    }
    const std::vector<std::string> findings = CheckTable(*table_);
    Expect(findings.empty(), [&] { return "the table check finds " + findings.front(); });
}

void TConcurrentRun::Walk(int number) {
    const std::vector<TIndexOrder>& orders = shape_->Orders();
    const int choice = std::uniform_int_distribution<int>(-1, static_cast<int>(orders.size()) - 1)(random_);
    const TIndexOrder* order = choice < 0 ? nullptr : &orders[static_cast<size_t>(choice)];
    const bool forward = Chance(random_, 0.5);
    cursor_->SelectIndex(order != nullptr ? order->Slot() : kRecordOrderSlot);
    TWalkCheck check(shape_->Fields(), order, forward, own_);
    log_.Add("walk " + std::to_string(number) + ": " + check.Name());
    standsOn_ = 0;
    if (forward) {
        cursor_->First();
    } else {
        cursor_->Last();
    }
    if (settings_.EdgeInserts && order != nullptr && Chance(random_, 0.35)) {
        InsertAtEdge(*order, forward, check);
    }
    do {
        if (Chance(random_, 0.25)) {
            Interfere(check);
        }
    } while (Step(check, forward));
    check.Finish();
}

bool TConcurrentRun::Step(TWalkCheck& check, bool forward) {
    const size_t size = cursor_->RecordSize();
    if (forward && Chance(random_, 0.1)) {
        const int32_t count = std::uniform_int_distribution<int32_t>(2, 5)(random_);
        std::vector<uint8_t> images(static_cast<size_t>(count) * size);
        const int32_t read = cursor_->GetNextRecords(images, count);
        log_.Add("  GetNextRecords(" + std::to_string(count) + ") reads " + std::to_string(read));
        for (int32_t k = 0; k < read; ++k) {
            const std::span<const uint8_t> image = std::span<const uint8_t>(images).subspan(k * size, size);
            check.Saw(image);
            standsOn_ = RecordAutoIncValue(image);
        }
        return read == count;
    }
    std::vector<uint8_t> image(size);
    const int status = forward ? cursor_->GetNext(image) : cursor_->GetPrior(image);
    if (status != ErrorCode::Success) {
        log_.Add(std::string(forward ? "  GetNext" : "  GetPrior") + " ends: " + std::to_string(status));
        return false;
    }
    standsOn_ = RecordAutoIncValue(image);
    log_.Add(std::string(forward ? "  GetNext" : "  GetPrior") + ": " +
             Describe(shape_->Fields(), ReadImage(shape_->Fields(), image)));
    check.Saw(image);
    return true;
}

void TConcurrentRun::Interfere(TWalkCheck& check) {
    const double kind = std::uniform_real_distribution<double>(0, 1)(random_);
    if (kind < 0.45) {
        if (settings_.StandingDeletes && own_.count(standsOn_) != 0) {
            Delete(standsOn_, check);
        }
    } else if (!settings_.OtherChanges) {
        return;
    } else if (kind < 0.75 || own_.empty()) {
        TModelRecord record;
        record.Values = values_->Make(random_, nullptr);
        Insert(std::move(record), check);
    } else {
        // Another record than the one the walk stands on, unless that is meant.
        auto pick = own_.begin();
        std::advance(pick, std::uniform_int_distribution<size_t>(0, own_.size() - 1)(random_));
        if (pick->first != standsOn_ || settings_.StandingDeletes) {
            Delete(pick->first, check);
        }
    }
}

void TConcurrentRun::Insert(TModelRecord record, TWalkCheck& check) {
    UpdateImage(shape_->Fields(), shape_->RecordSize(), record);
    try {
        const int32_t number = table_->InsertRecord(record.Image);
        std::vector<uint8_t> image(record.Image.size());
        table_->ReadRecord(number, image);
        const TModelRecord stored = ReadImage(shape_->Fields(), image);
        log_.Add("  inserted " + Describe(shape_->Fields(), stored));
        own_[stored.Id] = stored;
        check.Inserted(stored.Id);
    } catch (const EKarteiEngineError& error) {
        if (error.ErrorCode() != ErrorCode::DuplicateKey) {
            throw;
        }
    }
}

void TConcurrentRun::Delete(int32_t id, TWalkCheck& check) {
    log_.Add("  deleting " + Describe(shape_->Fields(), own_.at(id)) +
             (id == standsOn_ ? ", where the walk stands" : ""));
    table_->DeleteRecord(own_.at(id).RecordNumber);
    own_.erase(id);
    check.Deleted(id);
}

void TConcurrentRun::InsertAtEdge(const TIndexOrder& order, bool forward, TWalkCheck& check) {
    TModelRecord best;
    best.Values.resize(shape_->Fields().size());
    UpdateImage(shape_->Fields(), shape_->RecordSize(), best);
    for (int k = 0; k < 6; ++k) {
        TModelRecord candidate;
        candidate.Values = values_->Make(random_, nullptr);
        UpdateImage(shape_->Fields(), shape_->RecordSize(), candidate);
        const int c = order.Compare(candidate, best);
        if (forward ? c < 0 : c > 0) {
            best = candidate;
        }
    }
    log_.Add("  at the edge:");
    Insert(std::move(best), check);
}

}  // namespace

void RunConcurrentWalks(const std::string& folder, const TConcurrentSettings& settings) {
    TConcurrentRun run(folder, settings);
    try {
        run.Run();
    } catch (const std::exception& error) {
        throw TModelFailure(std::string(error.what()) + "\nlast steps:\n" + run.Log());
    }
}

}  // namespace kartei::tools::model
