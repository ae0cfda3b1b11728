#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "dataset/framework/Component.h"
#include "dataset/session/DatabaseUser.h"

namespace kartei {

class TDataDirectory;
class TKarteiSession;
class TKarteiDatabase;

using TDatabaseEvent = std::function<void(TKarteiDatabase& database)>;

// A database component: a name for one directory of table files, held open in its session's engine
// session while connected. Datasets name it by DatabaseName; a dataset naming a database no component
// declares gets a temporary one from the session.
class TKarteiDatabase : public TComponent {
public:
    // Belongs to the owner when that is a session, else to the owner's auto-session, else to the default
    // session.
    explicit TKarteiDatabase(TComponent* owner = nullptr);
    ~TKarteiDatabase() override;

    // While loading, only stored; when loading ends it connects when set, else only joins its session.
    bool Connected() const { return directory_ != nullptr; }
    void SetConnected(bool connected);
    void Open() { SetConnected(true); }
    void Close() { SetConnected(false); }

    std::string_view EngineVersion() const;
    void SetEngineVersion(std::string_view) {}

    const std::string& DatabaseName() const { return databaseName_; }
    void SetDatabaseName(std::string name);
    const std::string& Directory() const { return directoryName_; }
    void SetDirectory(std::string directory);
    bool HandleShared() const { return handleShared_; }
    void SetHandleShared(bool value);
    bool KeepConnection() const { return keepConnection_; }
    void SetKeepConnection(bool value);
    const std::string& SessionName() const { return sessionName_; }
    void SetSessionName(std::string name);

    TDatabaseEvent BeforeConnect;

    TKarteiSession* Session() const { return session_; }
    // The engine directory while connected.
    TDataDirectory* EngineDirectory() const { return directory_; }
    bool Temporary() const { return temporary_; }
    int ReferenceCount() const { return refCount_; }

    // The datasets that hold this database (they add and remove themselves).
    int DataSetCount() const { return static_cast<int>(dataSets_.size()); }
    TDatabaseUser* DataSets(int index) const { return dataSets_.at(static_cast<size_t>(index)); }
    void AddDataSet(TDatabaseUser* dataSet);
    void RemoveDataSet(TDatabaseUser* dataSet);

protected:
    void Loaded() override;

private:
    friend class TKarteiSession;

    // A temporary database made by its session.
    TKarteiDatabase(TKarteiSession* session, bool temporary);
    void JoinSession(TKarteiSession* session);
    void LeaveSession();
    // Finds the session named by SessionName and joins it; false when there is none.
    bool ResolveSession();
    void Connect();
    void Disconnect();
    // Another database of the session with this name: refused, or, when temporary and unused, freed.
    void CheckDatabaseName(std::string_view name);
    void SessionDestroyed() { session_ = nullptr; }

    TKarteiSession* session_ = nullptr;
    std::vector<TDatabaseUser*> dataSets_;
    TDataDirectory* directory_ = nullptr;
    // Whether this database opened its directory (and gives it back), or uses another's (HandleShared).
    bool ownsDirectory_ = false;
    int refCount_ = 0;
    bool temporary_ = false;
    bool streamedConnected_ = false;
    bool disconnecting_ = false;

    std::string databaseName_;
    std::string directoryName_;
    std::string sessionName_;
    bool handleShared_ = false;
    bool keepConnection_ = true;
};

}  // namespace kartei
