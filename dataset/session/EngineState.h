#pragma once

#include <mutex>

namespace kartei {

class TDataSession;

// The process-wide state of the engine as the sessions see it: one lock that serialises every engine call,
// the engine session in use, and the engine session of the default session, which exists from the
// engine's initialisation to its shutdown.
std::recursive_mutex& EngineLock();

TDataSession* CurrentEngineSession();
void SetCurrentEngineSession(TDataSession* session);

bool EngineInitialized();
// Creates the process-wide engine session (once; later calls keep it).
void InitializeEngine();
// The process-wide engine session; engine error NotInitialized before InitializeEngine.
TDataSession& ProcessEngineSession();
// Frees the process-wide engine session with its directories and tables.
void ShutdownEngine();

}  // namespace kartei
