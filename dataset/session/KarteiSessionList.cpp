#include "dataset/session/KarteiSessionList.h"

#include <algorithm>

#include "dataset/framework/DatabaseErrors.h"
#include "dataset/framework/Names.h"
#include "dataset/session/EngineState.h"
#include "dataset/session/KarteiSession.h"
#include "dataset/session/SessionMessages.h"

namespace kartei {

TKarteiSessionList& TKarteiSessionList::Instance() {
    EngineLock();  // the engine's state outlives the list, whose sessions shut the engine down
    static TKarteiSessionList list;
    if (!list.initialized_) {
        list.initialized_ = true;  // the default session's constructor comes back here
        list.defaultSession_ = new TKarteiSession(nullptr);
        list.defaultSession_->SetSessionName("Default");
    }
    return list;
}

TKarteiSessionList::~TKarteiSessionList() {
    while (!sessions_.empty()) {
        delete sessions_.back();  // its destructor leaves the list
    }
}

TKarteiSession& DefaultSession() {
    return Sessions().DefaultSession();
}

int TKarteiSessionList::Count() const {
    const std::lock_guard guard(lock_);
    return static_cast<int>(sessions_.size());
}

TKarteiSession* TKarteiSessionList::Sessions(int index) const {
    const std::lock_guard guard(lock_);
    return sessions_.at(static_cast<size_t>(index));
}

TKarteiSession* TKarteiSessionList::FindSession(std::string_view name) const {
    if (name.empty()) {
        return defaultSession_;
    }
    const std::lock_guard guard(lock_);
    const auto found = std::find_if(sessions_.begin(), sessions_.end(), [name](const TKarteiSession* session) {
        return SameName(session->SessionName(), name);
    });
    return found == sessions_.end() ? nullptr : *found;
}

TKarteiSession& TKarteiSessionList::GetSession(std::string_view name) const {
    if (TKarteiSession* session = FindSession(name)) {
        return *session;
    }
    RaiseDatabaseError(FormatMessage(kSInvalidSessionName, {name}));
}

bool TKarteiSessionList::Add(TKarteiSession* session) {
    const std::lock_guard guard(lock_);
    sessions_.push_back(session);
    const bool first = !anyAdded_;
    anyAdded_ = true;
    return first;
}

void TKarteiSessionList::Remove(TKarteiSession* session) {
    const std::lock_guard guard(lock_);
    std::erase(sessions_, session);
    if (session == defaultSession_) {
        defaultSession_ = nullptr;
    }
}

int TKarteiSessionList::TakeAutoSessionNumber() {
    const std::lock_guard guard(EngineLock());
    const auto free = std::find(autoNumbers_.begin(), autoNumbers_.end(), false);
    const auto number = static_cast<size_t>(free - autoNumbers_.begin());
    if (free == autoNumbers_.end()) {
        autoNumbers_.push_back(true);
    } else {
        *free = true;
    }
    return static_cast<int>(number);
}

void TKarteiSessionList::FreeAutoSessionNumber(int number) {
    const std::lock_guard guard(EngineLock());
    if (number >= 0 && static_cast<size_t>(number) < autoNumbers_.size()) {
        autoNumbers_[static_cast<size_t>(number)] = false;
    }
}

}  // namespace kartei
