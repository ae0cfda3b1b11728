#include "dataset/session/KarteiSession.h"

#include <algorithm>

#include "base/ScopeGuard.h"
#include "base/TextHelpers.h"
#include "dataset/framework/DatabaseErrors.h"
#include "dataset/framework/Names.h"
#include "dataset/session/DatabaseUser.h"
#include "dataset/session/EngineState.h"
#include "dataset/session/KarteiDatabase.h"
#include "dataset/session/KarteiSessionList.h"
#include "dataset/session/PasswordPrompt.h"
#include "dataset/session/SessionMessages.h"
#include "kartei/Session.h"

namespace kartei {

TKarteiSession* FindAutoSession(const TComponent* owner) {
    if (!owner) {
        return nullptr;
    }
    for (int k = 0; k < owner->ComponentCount(); ++k) {
        auto* session = dynamic_cast<TKarteiSession*>(owner->Components(k));
        if (session && session->AutoSessionName()) {
            return session;
        }
    }
    return nullptr;
}

TKarteiSession::TKarteiSession(TComponent* owner) : TComponent(owner) {
    if (FindAutoSession(owner)) {
        RaiseDatabaseError(kSAutoSessionExists);
    }
    // The system's double-byte switch has no counterpart here: the user's language is always taken.
    languageId_ = UserDefaultLanguageId();
    default_ = Sessions().Add(this);
}

TKarteiSession::~TKarteiSession() {
    Destroying();
    StopSession();
    Sessions().FreeAutoSessionNumber(autoSessionNumber_);
    for (TKarteiDatabase* database : databases_) {
        database->SessionDestroyed();
    }
    databases_.clear();
    Sessions().Remove(this);
}

std::string_view TKarteiSession::EngineVersion() const {
    return kEngineVersion;
}

void TKarteiSession::Loaded() {
    if (streamedActive_) {
        SetActive(true);
    }
}

void TKarteiSession::SetActive(bool active) {
    if (Loading()) {
        streamedActive_ = active;
    } else if (active != Active()) {
        if (active) {
            StartSession();
        } else {
            StopSession();
        }
    }
}

TDataSession& TKarteiSession::EngineSession() {
    if (!Active()) {
        SetActive(true);
    }
    return *engineSession_;
}

void TKarteiSession::StartSession() {
    const std::lock_guard guard(EngineLock());
    if (OnStartup) {
        OnStartup(*this);
    }
    if (sessionName_.empty()) {
        RaiseDatabaseError(kSSessionNameMissing);
    }
    if (!default_) {
        DefaultSession().SetActive(true);
    }
    if (default_) {
        InitializeEngine();
        engineSession_ = &ProcessEngineSession();
        ownsEngineSession_ = false;
    } else {
        engineSession_ = new TDataSession();
        ownsEngineSession_ = true;
    }
    SetCurrentEngineSession(engineSession_);
    UndoOnError([this] { ApplySettings(); }, [this] { StopSession(); });
}

void TKarteiSession::ApplySettings() {
    engineSession_->SetPasswordCallback([this] { return PasswordCallback(); });
    const std::string_view dir = TrimBlanks(privateDir_);
    if (!dir.empty()) {
        engineSession_->SetPrivateDirectory(dir);
    }
    engineSession_->SetStrictChangeDetection(strictChangeDetection_);
    engineSession_->SetForceBufferFlush(forceBufferFlush_);
    engineSession_->SetLockRetryCount(lockRetryCount_);
    engineSession_->SetLockWaitTime(lockWaitTime_);
    engineSession_->SetLanguageId(languageId_);
    engineSession_->SetSortId(sortId_);
}

void TKarteiSession::StopSession() {
    if (!engineSession_) {
        return;
    }
    const std::lock_guard guard(EngineLock());
    SetCurrentEngineSession(engineSession_);
    for (size_t k = databases_.size(); k-- > 0;) {
        if (k >= databases_.size()) {
            continue;  // freeing one took others with it
        }
        TKarteiDatabase* database = databases_[k];
        if (database->Temporary()) {
            delete database;  // leaves the list
        } else {
            database->Close();
        }
    }
    engineSession_->SetPasswordCallback({});
    if (default_) {
        ShutdownEngine();
    } else {
        if (ownsEngineSession_) {
            delete engineSession_;
        }
        SetCurrentEngineSession(EngineInitialized() ? &ProcessEngineSession() : nullptr);
    }
    engineSession_ = nullptr;
    ownsEngineSession_ = false;
}

void TKarteiSession::Lock() {
    if (lockCount_ == 0) {
        EngineLock().lock();
        TUndoGuard unlock([] { EngineLock().unlock(); });
        SetCurrentEngineSession(&EngineSession());
        unlock.Dismiss();
    }
    ++lockCount_;
}

void TKarteiSession::Unlock() {
    if (lockCount_ > 0 && --lockCount_ == 0) {
        EngineLock().unlock();
    }
}

template <typename Apply>
void TKarteiSession::PassOn(Apply apply) {
    if (Active()) {
        const TSessionLock lock(*this);
        apply(*engineSession_);
    }
}

void TKarteiSession::SetForceBufferFlush(bool value) {
    if (value != forceBufferFlush_) {
        forceBufferFlush_ = value;
        PassOn([value](TDataSession& engine) { engine.SetForceBufferFlush(value); });
    }
}

void TKarteiSession::SetLockRetryCount(uint8_t value) {
    if (value != lockRetryCount_) {
        lockRetryCount_ = value;
        PassOn([value](TDataSession& engine) { engine.SetLockRetryCount(value); });
    }
}

void TKarteiSession::SetLockWaitTime(uint16_t value) {
    if (value != lockWaitTime_) {
        lockWaitTime_ = value;
        PassOn([value](TDataSession& engine) { engine.SetLockWaitTime(value); });
    }
}

void TKarteiSession::SetPrivateDir(std::string value) {
    if (value != privateDir_) {
        privateDir_ = std::move(value);
        PassOn([this](TDataSession& engine) { engine.SetPrivateDirectory(privateDir_); });
    }
}

void TKarteiSession::SetStrictChangeDetection(bool value) {
    if (value != strictChangeDetection_) {
        strictChangeDetection_ = value;
        PassOn([value](TDataSession& engine) { engine.SetStrictChangeDetection(value); });
    }
}

void TKarteiSession::SetLanguageID(uint16_t value) {
    if (value != languageId_) {
        languageId_ = value;
        PassOn([value](TDataSession& engine) { engine.SetLanguageId(value); });
    }
}

void TKarteiSession::SetSortID(uint16_t value) {
    if (value != sortId_) {
        sortId_ = value;
        PassOn([value](TDataSession& engine) { engine.SetSortId(value); });
    }
}

void TKarteiSession::SetSessionName(std::string name) {
    if (Loading()) {
        sessionName_ = std::move(name);
        return;
    }
    if (autoSessionName_ && !updatingAutoName_) {
        RaiseDatabaseError(kSAutoSessionActive);
    }
    if (Active()) {
        RaiseDatabaseError(kSSessionActive);
    }
    if (!name.empty()) {
        const TKarteiSession* other = Sessions().FindSession(name);
        if (other && other != this) {
            RaiseDatabaseError(FormatMessage(kSDuplicateSessionName, {name}));
        }
    }
    sessionName_ = std::move(name);
}

void TKarteiSession::SetAutoSessionName(bool value) {
    if (value == autoSessionName_) {
        return;
    }
    if (Active()) {
        RaiseDatabaseError(kSSessionActive);
    }
    if (value) {
        for (int k = 0; Owner() && k < Owner()->ComponentCount(); ++k) {
            const TComponent* other = Owner()->Components(k);
            if (other != this && dynamic_cast<const TKarteiSession*>(other)) {
                RaiseDatabaseError(kSAutoSessionExclusive);
            }
        }
        autoSessionNumber_ = Sessions().TakeAutoSessionNumber();
        autoSessionName_ = true;
        UpdateAutoSessionNames();
    } else {
        Sessions().FreeAutoSessionNumber(autoSessionNumber_);
        autoSessionNumber_ = -1;
        autoSessionName_ = false;
    }
}

void TKarteiSession::SetName(std::string name) {
    TComponent::SetName(std::move(name));
    if (autoSessionName_) {
        UpdateAutoSessionNames();
    }
}

// The session takes "<component name>_<number + 1>", and so do the datasets and databases on its owner.
void TKarteiSession::UpdateAutoSessionNames() {
    {
        updatingAutoName_ = true;
        const TUndoGuard reset([this] { updatingAutoName_ = false; });
        SetSessionName(Name() + "_" + std::to_string(autoSessionNumber_ + 1));
    }
    for (int k = 0; Owner() && k < Owner()->ComponentCount(); ++k) {
        TComponent* component = Owner()->Components(k);
        if (auto* dataSet = dynamic_cast<TDatabaseUser*>(component)) {
            if (dataSet->SessionName() != sessionName_) {
                dataSet->SetSessionName(sessionName_);
            }
        } else if (auto* database = dynamic_cast<TKarteiDatabase*>(component)) {
            if (database->SessionName() != sessionName_) {
                database->SetSessionName(sessionName_);
            }
        }
    }
}

TKarteiDatabase* TKarteiSession::FindDatabase(std::string_view name) const {
    const auto found = std::find_if(databases_.begin(), databases_.end(), [name](const TKarteiDatabase* db) {
        return SameName(db->DatabaseName(), name);
    });
    return found == databases_.end() ? nullptr : *found;
}

TKarteiDatabase& TKarteiSession::OpenDatabase(std::string_view name, const TComponent* requester) {
    const TSessionLock lock(*this);
    TKarteiDatabase* database = nullptr;
    for (TKarteiDatabase* candidate : databases_) {
        if (candidate->HandleShared() && candidate->Owner() == requester &&
            SameName(candidate->DatabaseName(), name)) {
            database = candidate;
            break;
        }
    }
    if (!database) {
        database = FindDatabase(name);
    }
    TKarteiDatabase* made = nullptr;
    if (!database) {
        made = database = new TKarteiDatabase(this, true);
        database->SetDatabaseName(std::string(name));
        database->SetKeepConnection(keepConnections_);
    }
    TUndoGuard freeMade([made] { delete made; });
    database->Open();
    freeMade.Dismiss();
    ++database->refCount_;
    return *database;
}

void TKarteiSession::CloseDatabase(TKarteiDatabase& database) {
    if (database.refCount_ > 0) {
        --database.refCount_;
    }
    if (database.refCount_ > 0 || database.KeepConnection() || database.disconnecting_) {
        return;
    }
    if (!database.Temporary()) {
        database.Close();
    } else if (!database.IsDestroying()) {
        delete &database;
    }
}

void TKarteiSession::AddDatabase(TKarteiDatabase* database) {
    databases_.push_back(database);
    Notify(*database, TDatabaseNotification::dbAdded);
}

void TKarteiSession::RemoveDatabase(TKarteiDatabase* database) {
    if (std::find(databases_.begin(), databases_.end(), database) != databases_.end()) {
        std::erase(databases_, database);
        Notify(*database, TDatabaseNotification::dbRemoved);
    }
}

void TKarteiSession::Notify(TKarteiDatabase& database, TDatabaseNotification code) {
    if (OnDBNotify) {
        OnDBNotify(database, code);
    }
}

void TKarteiSession::AddPassword(std::string_view password) {
    const TSessionLock lock(*this);
    engineSession_->AddPassword(password);
}

void TKarteiSession::RemovePassword(std::string_view password) {
    const TSessionLock lock(*this);
    engineSession_->RemovePassword(password);
}

void TKarteiSession::RemoveAllPasswords() {
    const TSessionLock lock(*this);
    engineSession_->RemoveAllPasswords();
}

bool TKarteiSession::PasswordCallback() {
    if (OnPassword) {
        bool continueOpen = false;
        OnPassword(*this, continueOpen);
        return continueOpen;
    }
    return ShowPasswordPrompt(*this);
}

}  // namespace kartei
