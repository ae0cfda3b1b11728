#include "dataset/session/KarteiDatabase.h"

#include <algorithm>

#include "base/ScopeGuard.h"
#include "dataset/framework/DatabaseErrors.h"
#include "dataset/framework/Names.h"
#include "dataset/session/KarteiSession.h"
#include "dataset/session/KarteiSessionList.h"
#include "dataset/session/SessionMessages.h"
#include "kartei/Session.h"

namespace kartei {
namespace {

bool IsPath(std::string_view name) {
    return name.find_first_of(":\\/") != std::string_view::npos;
}

bool IsValidName(std::string_view name) {
    if (name.empty() || IsPath(name)) {
        return false;
    }
    const auto first = static_cast<unsigned char>(name.front());
    return (first >= 'A' && first <= 'Z') || (first >= 'a' && first <= 'z') || first == '_' ||
           (first >= 129 && first <= 254);
}

TKarteiSession& SessionFor(TComponent* owner) {
    if (auto* session = dynamic_cast<TKarteiSession*>(owner)) {
        return *session;
    }
    if (TKarteiSession* session = FindAutoSession(owner)) {
        return *session;
    }
    return DefaultSession();
}

}  // namespace

TKarteiDatabase::TKarteiDatabase(TComponent* owner) : TComponent(owner) {
    JoinSession(&SessionFor(owner));
}

TKarteiDatabase::TKarteiDatabase(TKarteiSession* session, bool temporary)
    : TComponent(session), temporary_(temporary) {
    JoinSession(session);
}

TKarteiDatabase::~TKarteiDatabase() {
    Destroying();
    Disconnect();
    LeaveSession();
}

std::string_view TKarteiDatabase::EngineVersion() const {
    return kEngineVersion;
}

void TKarteiDatabase::JoinSession(TKarteiSession* session) {
    session_ = session;
    sessionName_ = session->SessionName();
    session->AddDatabase(this);
}

void TKarteiDatabase::LeaveSession() {
    if (session_) {
        session_->RemoveDatabase(this);
        session_ = nullptr;
    }
}

bool TKarteiDatabase::ResolveSession() {
    TKarteiSession* session = Sessions().FindSession(sessionName_);
    if (!session) {
        return false;
    }
    if (session != session_) {
        LeaveSession();
        session_ = session;
        session->AddDatabase(this);
    }
    return true;
}

void TKarteiDatabase::Loaded() {
    if (streamedConnected_) {
        Open();
    } else {
        ResolveSession();
    }
}

void TKarteiDatabase::SetConnected(bool connected) {
    if (Loading()) {
        streamedConnected_ = connected;
    } else if (connected != Connected()) {
        if (connected) {
            Connect();
        } else {
            Disconnect();
        }
    }
}

void TKarteiDatabase::Connect() {
    if (BeforeConnect) {
        BeforeConnect(*this);
    }
    if (databaseName_.empty() && !temporary_) {
        RaiseDatabaseError(kSDatabaseNameMissing);
    }
    if (!ResolveSession()) {
        RaiseDatabaseError(FormatMessage(kSInvalidSessionName, {sessionName_}));
    }
    TUndoGuard forgetName([this] { databaseName_.clear(); });
    CheckDatabaseName(databaseName_);
    forgetName.Dismiss();
    session_->SetActive(true);
    if (handleShared_) {
        for (int k = 0; k < session_->DatabaseCount(); ++k) {
            const TKarteiDatabase* other = session_->Databases(k);
            if (other != this && other->Connected() && other->handleShared_ &&
                SameName(other->databaseName_, databaseName_)) {
                directory_ = other->directory_;
                ownsDirectory_ = false;
                return;
            }
        }
    }
    const TSessionLock lock(*session_);
    const std::string& directory = temporary_ && IsPath(databaseName_) ? databaseName_ : directoryName_;
    directory_ = &session_->EngineSession().OpenDirectory(directory);
    ownsDirectory_ = true;
    session_->Notify(*this, TDatabaseNotification::dbConnected);
}

void TKarteiDatabase::Disconnect() {
    if (!directory_ || disconnecting_) {
        return;
    }
    if (!session_) {
        directory_ = nullptr;  // the session went and took its directories with it
        return;
    }
    {
        disconnecting_ = true;
        const TUndoGuard reset([this] { disconnecting_ = false; });
        session_->Notify(*this, TDatabaseNotification::dbDisconnecting);
        while (!dataSets_.empty()) {
            TDatabaseUser* dataSet = dataSets_.back();
            dataSet->CloseDatabase();
            // One that still holds the database for another reason lets go of it now.
            if (!dataSets_.empty() && dataSets_.back() == dataSet) {
                dataSets_.pop_back();
            }
        }
    }
    if (ownsDirectory_) {
        // A database that shares this directory through HandleShared keeps it alive: it takes it over.
        TKarteiDatabase* heir = nullptr;
        for (int k = 0; k < session_->DatabaseCount() && !heir; ++k) {
            TKarteiDatabase* other = session_->Databases(k);
            if (other != this && other->directory_ == directory_ && !other->ownsDirectory_) {
                heir = other;
            }
        }
        if (heir) {
            heir->ownsDirectory_ = true;
        } else {
            const TSessionLock lock(*session_);
            session_->EngineSession().CloseDirectory(directory_);
        }
    }
    directory_ = nullptr;
    ownsDirectory_ = false;
    refCount_ = 0;
}

void TKarteiDatabase::CheckDatabaseName(std::string_view name) {
    if (!session_) {
        return;
    }
    TKarteiDatabase* other = nullptr;
    for (int k = 0; k < session_->DatabaseCount() && !other; ++k) {
        TKarteiDatabase* candidate = session_->Databases(k);
        if (candidate != this && SameName(candidate->databaseName_, name)) {
            other = candidate;
        }
    }
    if (!other || (other->handleShared_ && handleShared_)) {
        return;
    }
    if (!other->temporary_ || other->refCount_ > 0) {
        RaiseDatabaseError(FormatMessage(kSDuplicateDatabaseName, {name}));
    }
    delete other;
}

void TKarteiDatabase::SetDatabaseName(std::string name) {
    if (Loading()) {
        databaseName_ = std::move(name);
        return;
    }
    if (name == databaseName_) {
        return;
    }
    if (Connected()) {
        RaiseDatabaseError(kSDatabaseOpen);
    }
    if (!name.empty() && !temporary_ && !IsValidName(name)) {
        RaiseDatabaseError(FormatMessage(kSInvalidDatabaseName, {name}));
    }
    CheckDatabaseName(name);
    databaseName_ = std::move(name);
}

void TKarteiDatabase::SetDirectory(std::string directory) {
    if (!Loading() && Connected()) {
        RaiseDatabaseError(kSDatabaseOpen);
    }
    directoryName_ = std::move(directory);
}

void TKarteiDatabase::SetHandleShared(bool value) {
    if (!Loading() && Connected()) {
        RaiseDatabaseError(kSDatabaseOpen);
    }
    handleShared_ = value;
}

void TKarteiDatabase::SetKeepConnection(bool value) {
    keepConnection_ = value;
    if (!value && !Loading() && refCount_ == 0) {
        Close();
    }
}

void TKarteiDatabase::SetSessionName(std::string name) {
    if (Loading()) {
        sessionName_ = std::move(name);
        return;
    }
    if (Connected()) {
        RaiseDatabaseError(kSDatabaseOpen);
    }
    if (name != sessionName_) {
        sessionName_ = std::move(name);
        ResolveSession();
    }
}

void TKarteiDatabase::AddDataSet(TDatabaseUser* dataSet) {
    if (std::find(dataSets_.begin(), dataSets_.end(), dataSet) == dataSets_.end()) {
        dataSets_.push_back(dataSet);
    }
}

void TKarteiDatabase::RemoveDataSet(TDatabaseUser* dataSet) {
    std::erase(dataSets_, dataSet);
}

}  // namespace kartei
