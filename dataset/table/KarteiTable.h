#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "dataset/framework/IndexDefs.h"
#include "dataset/table/KarteiDBDataSet.h"
#include "dataset/table/KarteiMasterDataLink.h"

namespace kartei {

class TDataSource;
struct TTableOpenRequest;

// The table component: one table of a database, in the order of a selectable index, optionally restricted
// to the records whose leading index fields equal the current values of a master dataset's fields.
class TKarteiTable : public TKarteiDBDataSet {
public:
    explicit TKarteiTable(TComponent* owner = nullptr);
    ~TKarteiTable() override;

    std::string_view EngineVersion() const;
    void SetEngineVersion(std::string_view) {}

    // With InMemory the database is always "Memory".
    void SetDatabaseName(std::string name) override;
    const std::string& TableName() const { return tableName_; }
    // A name with a path gives the path to DatabaseName and the file name to TableName.
    void SetTableName(std::string name);
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool value);
    bool Exclusive() const { return exclusive_; }
    void SetExclusive(bool value);
    bool InMemory() const { return inMemory_; }
    void SetInMemory(bool value);
    bool StoreDefs() const { return storeDefs_; }
    void SetStoreDefs(bool value) { storeDefs_ = value; }
    bool CanModify() const override;

    // One selection: an index name, or a list of field names an index is found for.
    std::string IndexName() const { return fieldsIndex_ ? std::string() : indexSelection_; }
    void SetIndexName(std::string name) { SetIndex(std::move(name), false); }
    std::string IndexFieldNames() const { return fieldsIndex_ ? indexSelection_ : std::string(); }
    void SetIndexFieldNames(std::string names) {
        const bool fieldsIndex = !names.empty();
        SetIndex(std::move(names), fieldsIndex);
    }

    // The engine's indexes: index 0 (unless it stands for record order), then the secondary ones. Refreshed
    // from the table when not up to date (for a closed table through a cursor opened for the purpose).
    TIndexDefs& IndexDefs();
    void UpdateIndexDefs();

    TDataSource* MasterSource() const { return masterLink_.DataSource(); }
    // "Zirkuläre Datenverbindungen sind nicht erlaubt" when the source leads back to this table.
    void SetMasterSource(TDataSource* source);
    const std::string& MasterFields() const { return masterLink_.FieldNames(); }
    void SetMasterFields(std::string names) { masterLink_.SetFieldNames(std::move(names)); }
    TDataSource* GetDataSource() const override { return masterLink_.DataSource(); }

protected:
    std::unique_ptr<TDataCursor> CreateHandle() override;
    void DestroyHandle() override;
    void DropSearchCursor() override;
    TDataCursor* GetSearchCursor(std::string_view fields, bool caseInsensitive) override;
    void AfterOpenHook() override;

private:
    TTableOpenRequest OpenRequest() const;
    // Opens the table on a cursor of the database's directory, asking the session for passwords.
    std::unique_ptr<TDataCursor> OpenTableCursor() const;
    void SetIndex(std::string selection, bool fieldsIndex);
    std::string EngineIndexName(const std::string& selection, bool fieldsIndex);
    void SwitchToIndex(const std::string& engineName);
    void ReadIndexDefs(const TDataCursor& cursor);

    // The master link's steps.
    void MasterChanged();
    void MasterDisabled();
    void SetLinkRange();
    void ApplyMasterRange();

    std::string tableName_;
    std::string indexSelection_;
    bool fieldsIndex_ = false;
    bool readOnly_ = false;
    bool exclusive_ = false;
    bool inMemory_ = false;
    bool storeDefs_ = false;
    TIndexDefs indexDefs_;
    TKarteiMasterDataLink masterLink_;

    std::unique_ptr<TDataCursor> searchCursor_;
    std::string searchFields_;
    bool searchCaseInsensitive_ = false;
    bool searchCached_ = false;
};

}  // namespace kartei
