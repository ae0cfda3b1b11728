#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string_view>
#include <vector>

namespace kartei {

class TKarteiSession;

// Every session component of the process. The first session ever added is the default session ("Default",
// made together with the list); an empty name finds it. Freeing the list frees the sessions still in it,
// last first.
class TKarteiSessionList {
public:
    TKarteiSessionList(const TKarteiSessionList&) = delete;
    TKarteiSessionList& operator=(const TKarteiSessionList&) = delete;
    ~TKarteiSessionList();

    // The process's list, with the default session in it.
    static TKarteiSessionList& Instance();

    TKarteiSession& DefaultSession() const { return *defaultSession_; }
    int Count() const;
    TKarteiSession* Sessions(int index) const;
    // Case-insensitive; the empty name gives the default session; none when not found.
    TKarteiSession* FindSession(std::string_view name) const;
    // As FindSession, raising "Session name %s is not valid." for none.
    TKarteiSession& GetSession(std::string_view name) const;

private:
    friend class TKarteiSession;

    TKarteiSessionList() = default;
    // True for the first session ever added.
    bool Add(TKarteiSession* session);
    void Remove(TKarteiSession* session);
    // The lowest free auto-session number, taken; and giving one back. Under the engine lock.
    int TakeAutoSessionNumber();
    void FreeAutoSessionNumber(int number);

    mutable std::recursive_mutex lock_;
    std::vector<TKarteiSession*> sessions_;
    std::vector<bool> autoNumbers_;
    TKarteiSession* defaultSession_ = nullptr;
    bool anyAdded_ = false;
    bool initialized_ = false;
};

// The process's session list and its default session.
inline TKarteiSessionList& Sessions() {
    return TKarteiSessionList::Instance();
}
TKarteiSession& DefaultSession();

}  // namespace kartei
