#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "dataset/framework/Component.h"

namespace kartei {

class TDataSession;
class TKarteiDatabase;
class TKarteiSession;

using TPasswordEvent = std::function<void(TKarteiSession& session, bool& continueOpen)>;
using TSessionNotifyEvent = std::function<void(TKarteiSession& session)>;
// Database notifications: 0 connected, 1 disconnecting, 2 added, 3 removed.
enum class TDatabaseNotification { dbConnected = 0, dbDisconnecting = 1, dbAdded = 2, dbRemoved = 3 };
using TDatabaseNotifyEvent = std::function<void(TKarteiDatabase& database, TDatabaseNotification code)>;

// A session component: one engine session with its settings, its open directories and its table
// passwords, and the database components that belong to it. Activating it (Active, or any use that needs
// the engine) creates the engine session; the default session takes the process-wide one.
class TKarteiSession : public TComponent {
public:
    // "This auto-session already exists." when the owner holds an auto-named session.
    explicit TKarteiSession(TComponent* owner = nullptr);
    ~TKarteiSession() override;

    // While loading, only stored; applied when loading ends.
    bool Active() const { return engineSession_ != nullptr; }
    void SetActive(bool active);
    // The engine session, activating the session first.
    TDataSession& EngineSession();
    bool IsDefault() const { return default_; }

    // Nested: the outermost Lock enters the engine lock and makes this session's engine session current
    // (activating the session when needed); the matching outermost Unlock leaves it.
    void Lock();
    void Unlock();

    std::string_view EngineVersion() const;
    void SetEngineVersion(std::string_view) {}

    const std::string& SessionName() const { return sessionName_; }
    void SetSessionName(std::string name);
    bool AutoSessionName() const { return autoSessionName_; }
    void SetAutoSessionName(bool value);
    void SetName(std::string name) override;

    bool ForceBufferFlush() const { return forceBufferFlush_; }
    void SetForceBufferFlush(bool value);
    bool KeepConnections() const { return keepConnections_; }
    void SetKeepConnections(bool value) { keepConnections_ = value; }
    uint8_t LockRetryCount() const { return lockRetryCount_; }
    void SetLockRetryCount(uint8_t value);
    uint16_t LockWaitTime() const { return lockWaitTime_; }
    void SetLockWaitTime(uint16_t value);
    const std::string& PrivateDir() const { return privateDir_; }
    void SetPrivateDir(std::string value);
    bool StrictChangeDetection() const { return strictChangeDetection_; }
    void SetStrictChangeDetection(bool value);
    uint16_t LanguageID() const { return languageId_; }
    void SetLanguageID(uint16_t value);
    uint16_t SortID() const { return sortId_; }
    void SetSortID(uint16_t value);

    TPasswordEvent OnPassword;
    TSessionNotifyEvent OnStartup;
    TDatabaseNotifyEvent OnDBNotify;

    // Databases
    int DatabaseCount() const { return static_cast<int>(databases_.size()); }
    TKarteiDatabase* Databases(int index) const { return databases_.at(static_cast<size_t>(index)); }
    // Case-insensitive; none when not found.
    TKarteiDatabase* FindDatabase(std::string_view name) const;
    // A connected database of that name for a dataset owned by `requester`, counted once more: one that
    // shares its handle on the same owner, any one of that name, or a temporary one made for the request.
    TKarteiDatabase& OpenDatabase(std::string_view name, const TComponent* requester);
    // Gives a reference back; at none, a database that keeps no connection disconnects (a temporary one
    // is freed).
    void CloseDatabase(TKarteiDatabase& database);

    // Table passwords (kept by the engine session).
    void AddPassword(std::string_view password);
    void RemovePassword(std::string_view password);
    void RemoveAllPasswords();
    // Asked by the engine when a table needs a password the list lacks: OnPassword when assigned (its
    // answer), else the password prompt. True means "look at the list again".
    bool PasswordCallback();

protected:
    void Loaded() override;

private:
    friend class TKarteiDatabase;

    void StartSession();
    void StopSession();
    void ApplySettings();
    // Runs `apply` on the engine session under the lock when active.
    template <typename Apply>
    void PassOn(Apply apply);
    void AddDatabase(TKarteiDatabase* database);
    void RemoveDatabase(TKarteiDatabase* database);
    void Notify(TKarteiDatabase& database, TDatabaseNotification code);
    void UpdateAutoSessionNames();

    TDataSession* engineSession_ = nullptr;
    bool ownsEngineSession_ = false;
    bool default_ = false;
    bool streamedActive_ = false;
    int lockCount_ = 0;
    int autoSessionNumber_ = -1;
    bool autoSessionName_ = false;
    bool updatingAutoName_ = false;

    std::string sessionName_;
    bool forceBufferFlush_ = false;
    bool keepConnections_ = false;
    uint8_t lockRetryCount_ = 15;
    uint16_t lockWaitTime_ = 100;
    std::string privateDir_;
    bool strictChangeDetection_ = false;
    uint16_t languageId_ = 0;
    uint16_t sortId_ = 0;

    std::vector<TKarteiDatabase*> databases_;
};

// Holds a session's lock for a scope.
class TSessionLock {
public:
    explicit TSessionLock(TKarteiSession& session) : session_(session) { session_.Lock(); }
    ~TSessionLock() { session_.Unlock(); }
    TSessionLock(const TSessionLock&) = delete;
    TSessionLock& operator=(const TSessionLock&) = delete;

private:
    TKarteiSession& session_;
};

// The auto-named session among the components of `owner`, or none.
TKarteiSession* FindAutoSession(const TComponent* owner);

}  // namespace kartei
