#include "dataset/table/KarteiTable.h"

#include "base/ScopeGuard.h"
#include "dataset/framework/DatabaseErrors.h"
#include "dataset/framework/FrameworkMessages.h"
#include "dataset/session/KarteiDatabase.h"
#include "dataset/session/KarteiSession.h"
#include "dataset/session/SessionMessages.h"
#include "dataset/table/EngineFieldDefs.h"
#include "kartei/Cursor.h"
#include "kartei/Table.h"

namespace kartei {

TKarteiTable::TKarteiTable(TComponent* owner)
    : TKarteiDBDataSet(owner), indexDefs_(this), masterLink_(*this) {
    masterLink_.OnMasterChange = [this] { MasterChanged(); };
    masterLink_.OnMasterDisable = [this] { MasterDisabled(); };
}

TKarteiTable::~TKarteiTable() {
    Destroying();
    Close();
}

std::string_view TKarteiTable::EngineVersion() const {
    return kEngineVersion;
}

// ---- Properties ----

void TKarteiTable::SetDatabaseName(std::string name) {
    TKarteiDBDataSet::SetDatabaseName(inMemory_ ? std::string("Memory") : std::move(name));
    indexDefs_.SetUpdated(false);
}

void TKarteiTable::SetTableName(std::string name) {
    if (Loading()) {
        tableName_ = std::move(name);
        return;
    }
    CheckInactive();
    const size_t split = name.find_last_of(":\\");
    if (split != std::string::npos) {
        if (!inMemory_) {
            SetDatabaseName(name.substr(0, split + 1));
        }
        name.erase(0, split + 1);
    }
    tableName_ = std::move(name);
    indexDefs_.SetUpdated(false);
}

void TKarteiTable::SetReadOnly(bool value) {
    if (!Loading()) {
        CheckInactive();
    }
    readOnly_ = value;
}

void TKarteiTable::SetExclusive(bool value) {
    if (!Loading()) {
        CheckInactive();
    }
    exclusive_ = value;
}

void TKarteiTable::SetInMemory(bool value) {
    if (!Loading()) {
        CheckInactive();
    }
    inMemory_ = value;
    if (value) {
        SetDatabaseName("Memory");
    }
}

bool TKarteiTable::CanModify() const {
    return TKarteiDBDataSet::CanModify() && !readOnly_;
}

void TKarteiTable::SetMasterSource(TDataSource* source) {
    if (source && !Loading() && IsLinkedTo(source)) {
        RaiseDatabaseError(kSCircularDataLink);
    }
    masterLink_.SetDataSource(source);
}

// ---- Opening ----

TTableOpenRequest TKarteiTable::OpenRequest() const {
    TTableOpenRequest request;
    request.Name = tableName_;
    request.Exclusive = exclusive_;
    request.InMemory = inMemory_;
    return request;
}

std::unique_ptr<TDataCursor> TKarteiTable::OpenTableCursor() const {
    TKarteiDatabase& database = *Database();
    std::unique_ptr<TDataCursor> cursor = database.EngineDirectory()->NewCursor();
    const TSessionLock lock(*database.Session());
    cursor->Open(OpenRequest());
    return cursor;
}

std::unique_ptr<TDataCursor> TKarteiTable::CreateHandle() {
    if (tableName_.empty()) {
        RaiseDatabaseError("Missing table name.");
    }
    indexDefs_.SetUpdated(false);
    std::unique_ptr<TDataCursor> cursor = OpenTableCursor();
    // The engine opens read-only what it cannot write; what it granted is what the table is.
    readOnly_ = readOnly_ || cursor->Table().ReadOnly();
    std::string indexName = indexSelection_;
    if (fieldsIndex_ && !indexSelection_.empty()) {
        ReadIndexDefs(*cursor);
        indexName = indexDefs_.FindIndexForFields(indexSelection_).Name;
    }
    cursor->SelectIndex(indexName);
    return cursor;
}

void TKarteiTable::DestroyHandle() {
    DropSearchCursor();
    TKarteiDBDataSet::DestroyHandle();
}

void TKarteiTable::AfterOpenHook() {
    if (masterLink_.Active() && !masterLink_.Fields().empty()) {
        SetLinkRange();
        ApplyRange();
    }
}

// ---- Index definitions ----

TIndexDefs& TKarteiTable::IndexDefs() {
    UpdateIndexDefs();
    return indexDefs_;
}

void TKarteiTable::UpdateIndexDefs() {
    if (indexDefs_.Updated()) {
        return;
    }
    if (Cursor()) {
        ReadIndexDefs(*Cursor());
        return;
    }
    const TDatabaseHold indexHold(*this, TDatabaseReason::drIndexDefs);
    const TDatabaseHold fieldHold(*this, TDatabaseReason::drFieldDefs);
    ReadIndexDefs(*OpenTableCursor());
}

void TKarteiTable::ReadIndexDefs(const TDataCursor& cursor) {
    if (!Active()) {
        FieldDefsFromEngine(cursor.Table().Fields(), FieldDefs());
    }
    indexDefs_.Clear();
    const bool recordOrderPrimary = cursor.Table().NoPrimaryKey();
    for (int slot = recordOrderPrimary ? 1 : 0; slot <= cursor.SecondaryIndexCount(); ++slot) {
        const TIndexDescriptor index = cursor.IndexDescriptor(slot);
        std::string fields;
        for (int k = 0; k < index.FieldCount; ++k) {
            const int number = index.FieldNumbers[static_cast<size_t>(k)];
            for (int d = 0; d < FieldDefs().Count(); ++d) {
                if (FieldDefs()[d].FieldNo == number) {
                    fields += (fields.empty() ? "" : ";") + FieldDefs()[d].Name;
                }
            }
        }
        TIndexOptions options;
        if (slot == 0) {
            options.Include(TIndexOption::ixPrimary);
        }
        if (index.Descending) {
            options.Include(TIndexOption::ixDescending);
        }
        if (index.CaseInsensitive) {
            options.Include(TIndexOption::ixCaseInsensitive);
        }
        if (index.Unique) {
            options.Include(TIndexOption::ixUnique);
        }
        indexDefs_.Add(index.Name, std::move(fields), options);
    }
    indexDefs_.SetUpdated(true);
}

// ---- Index selection ----

void TKarteiTable::SetIndex(std::string selection, bool fieldsIndex) {
    if (selection == indexSelection_ && fieldsIndex == fieldsIndex_) {
        return;
    }
    const bool open = Active() && !Loading();
    if (open) {
        CheckBrowseMode();
        SwitchToIndex(EngineIndexName(selection, fieldsIndex));
    }
    indexSelection_ = std::move(selection);
    fieldsIndex_ = fieldsIndex;
    if (open) {
        Resync({});
    }
}

std::string TKarteiTable::EngineIndexName(const std::string& selection, bool fieldsIndex) {
    if (selection.empty()) {
        return {};
    }
    UpdateIndexDefs();
    return fieldsIndex ? indexDefs_.FindIndexForFields(selection).Name : selection;
}

void TKarteiTable::SwitchToIndex(const std::string& engineName) {
    CancelAppliedRange();
    UpdateCursorPos();
    UndoOnError([this, &engineName] { Cursor()->SelectIndex(engineName); },
                [this] {
                    // The cursor stays on its index: the detail keeps its range there.
                    ApplyMasterRange();
                    Resync({});
                });
    ClearIndexInfo();
    UndoOnError([this] { UpdateRecordLayout(); }, [this] { Close(); });
    ReadIndexInfo();
    ApplyMasterRange();
}

// ---- Master link ----

void TKarteiTable::ApplyMasterRange() {
    if (masterLink_.Active() && !masterLink_.Fields().empty()) {
        SetLinkRange();
        ApplyRange();
    }
}

void TKarteiTable::MasterChanged() {
    CheckBrowseMode();
    SetLinkRange();
    if (ApplyRange()) {
        First();
    }
}

void TKarteiTable::MasterDisabled() {
    CheckBrowseMode();
    UpdateCursorPos();
    if (CancelAppliedRange()) {
        Resync({});
    }
}

// The master's values go to the leading fields of the current index, whatever their names.
void TKarteiTable::SetLinkRange() {
    const std::vector<TField*>& masterFields = masterLink_.Fields();
    const TDataSetState previous = BeginKeyEdit(RangeStart());
    RunThenFinish(
        [this, &masterFields] {
            for (size_t k = 0; k < masterFields.size(); ++k) {
                IndexField(static_cast<int>(k)).SetValue(masterFields[k]->Value());
            }
            RangeStart().SetFieldCount(static_cast<int32_t>(masterFields.size()));
        },
        [this, previous] { EndKeyEdit(previous); });
    RangeEnd() = RangeStart();
}

// ---- Search cursor ----

void TKarteiTable::DropSearchCursor() {
    searchCursor_.reset();
    searchCached_ = false;
}

TDataCursor* TKarteiTable::GetSearchCursor(std::string_view fields, bool caseInsensitive) {
    if (searchCached_ && fields == searchFields_ && caseInsensitive == searchCaseInsensitive_) {
        return searchCursor_.get();
    }
    DropSearchCursor();
    if (RangeApplied()) {
        return nullptr;
    }
    UpdateIndexDefs();
    const TIndexDef* index = indexDefs_.GetIndexForFields(fields, caseInsensitive);
    if (index && index->Options.Contains(TIndexOption::ixCaseInsensitive) == caseInsensitive) {
        const TSessionLock lock(*Database()->Session());
        std::unique_ptr<TDataCursor> cursor = Cursor()->Table().NewCursor();
        cursor->SelectIndex(index->Name);
        searchCursor_ = std::move(cursor);
    }
    searchFields_ = fields;
    searchCaseInsensitive_ = caseInsensitive;
    searchCached_ = true;
    return searchCursor_.get();
}

}  // namespace kartei
