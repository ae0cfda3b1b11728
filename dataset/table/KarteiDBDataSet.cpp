#include "dataset/table/KarteiDBDataSet.h"

#include "base/ScopeGuard.h"
#include "dataset/framework/DatabaseErrors.h"
#include "dataset/framework/FrameworkMessages.h"
#include "dataset/session/KarteiDatabase.h"
#include "dataset/session/KarteiSession.h"
#include "dataset/session/KarteiSessionList.h"
#include "dataset/session/SessionMessages.h"

namespace kartei {
namespace {

uint32_t Bit(TDatabaseReason reason) {
    return 1u << static_cast<unsigned>(reason);
}

}  // namespace

TKarteiDBDataSet::TKarteiDBDataSet(TComponent* owner) : TKarteiDataSet(owner) {
    if (const TKarteiSession* session = FindAutoSession(owner)) {
        sessionName_ = session->SessionName();
    }
}

TKarteiDBDataSet::~TKarteiDBDataSet() {
    // The hooks of the derived class are gone: whatever is still held is let go here.
    if (database_) {
        reasons_ = Bit(TDatabaseReason::drCursorOpen);
        SetDBFlag(TDatabaseReason::drCursorOpen, false);
    }
}

TKarteiSession* TKarteiDBDataSet::DBSession() const {
    return database_ ? database_->Session() : Sessions().FindSession(sessionName_);
}

void TKarteiDBDataSet::SetDatabaseName(std::string name) {
    if (!Loading()) {
        CheckInactive();
        if (database_) {
            RaiseDatabaseError(kSDatabaseOpen);
        }
    }
    databaseName_ = std::move(name);
}

void TKarteiDBDataSet::SetSessionName(std::string name) {
    if (!Loading()) {
        CheckInactive();
    }
    sessionName_ = std::move(name);
}

bool TKarteiDBDataSet::DBFlag(TDatabaseReason reason) const {
    return (reasons_ & Bit(reason)) != 0;
}

void TKarteiDBDataSet::SetDBFlag(TDatabaseReason reason, bool value) {
    if (value) {
        if (reasons_ == 0) {
            TKarteiSession& session = Sessions().GetSession(sessionName_);
            TKarteiDatabase& database = session.OpenDatabase(databaseName_, Owner());
            database.AddDataSet(this);
            database_ = &database;
        }
        reasons_ |= Bit(reason);
    } else if (DBFlag(reason)) {
        reasons_ &= ~Bit(reason);
        if (reasons_ == 0 && database_) {
            TKarteiDatabase* database = database_;
            database_ = nullptr;
            database->RemoveDataSet(this);
            if (TKarteiSession* session = database->Session()) {
                session->CloseDatabase(*database);
            }
        }
    }
}

void TKarteiDBDataSet::OpenCursor() {
    SetDBFlag(TDatabaseReason::drCursorOpen, true);
    UndoOnError([this] { TKarteiDataSet::OpenCursor(); },
                [this] { SetDBFlag(TDatabaseReason::drCursorOpen, false); });
}

void TKarteiDBDataSet::CloseCursor() {
    RunThenFinish([this] { TKarteiDataSet::CloseCursor(); },
                  [this] { SetDBFlag(TDatabaseReason::drCursorOpen, false); });
}

}  // namespace kartei
