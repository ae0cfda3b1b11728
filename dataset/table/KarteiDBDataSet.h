#pragma once

#include <string>

#include "dataset/framework/FlagSet.h"
#include "dataset/session/DatabaseUser.h"
#include "dataset/table/KarteiDataSet.h"

namespace kartei {

class TKarteiDatabase;
class TKarteiSession;

// Why a dataset holds its database: while the set is not empty it holds one reference on it and is in its
// dataset list.
enum class TDatabaseReason { drCursorOpen = 0, drTableExists = 3, drFieldDefs = 4, drIndexDefs = 5 };

// A dataset that reaches its table through a database component named by DatabaseName in the session named
// by SessionName.
class TKarteiDBDataSet : public TKarteiDataSet, public TDatabaseUser {
public:
    // Takes the name of an auto-session on its owner.
    explicit TKarteiDBDataSet(TComponent* owner = nullptr);
    ~TKarteiDBDataSet() override;

    const std::string& DatabaseName() const { return databaseName_; }
    // Refused while open or while the database is held.
    virtual void SetDatabaseName(std::string name);
    const std::string& SessionName() const override { return sessionName_; }
    void SetSessionName(std::string name) override;

    // The database while held, and its session.
    TKarteiDatabase* Database() const { return database_; }
    TKarteiSession* DBSession() const;

    // The database closes its datasets when it disconnects.
    void CloseDatabase() override { Close(); }
    // Holds the database for a reason (opening it through the session when the set was empty), or lets go.
    virtual void SetDBFlag(TDatabaseReason reason, bool value);
    bool DBFlag(TDatabaseReason reason) const;

protected:
    void OpenCursor() override;
    void CloseCursor() override;

private:
    std::string databaseName_;
    std::string sessionName_;
    uint32_t reasons_ = 0;
    TKarteiDatabase* database_ = nullptr;
};

// Holds a dataset's database for one reason for a scope.
class TDatabaseHold {
public:
    TDatabaseHold(TKarteiDBDataSet& dataSet, TDatabaseReason reason) : dataSet_(dataSet), reason_(reason) {
        dataSet_.SetDBFlag(reason_, true);
    }
    ~TDatabaseHold() { dataSet_.SetDBFlag(reason_, false); }
    TDatabaseHold(const TDatabaseHold&) = delete;
    TDatabaseHold& operator=(const TDatabaseHold&) = delete;

private:
    TKarteiDBDataSet& dataSet_;
    TDatabaseReason reason_;
};

}  // namespace kartei
