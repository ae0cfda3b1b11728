#include "dataset/session/EngineState.h"

#include <memory>

#include "kartei/Errors.h"
#include "kartei/Session.h"

namespace kartei {
namespace {

struct TEngineState {
    std::recursive_mutex lock;
    TDataSession* current = nullptr;
    std::unique_ptr<TDataSession> processSession;
};

TEngineState& State() {
    static TEngineState state;
    return state;
}

}  // namespace

std::recursive_mutex& EngineLock() {
    return State().lock;
}

TDataSession* CurrentEngineSession() {
    return State().current;
}

void SetCurrentEngineSession(TDataSession* session) {
    State().current = session;
}

bool EngineInitialized() {
    return State().processSession != nullptr;
}

void InitializeEngine() {
    if (!State().processSession) {
        State().processSession = std::make_unique<TDataSession>();
    }
}

TDataSession& ProcessEngineSession() {
    if (!State().processSession) {
        RaiseKarteiError(ErrorCode::NotInitialized, {});
    }
    return *State().processSession;
}

void ShutdownEngine() {
    if (State().current == State().processSession.get()) {
        State().current = nullptr;
    }
    State().processSession.reset();
}

}  // namespace kartei
