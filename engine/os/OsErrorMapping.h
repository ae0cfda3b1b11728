#pragma once

#include <cstdint>

namespace kartei {

// The engine code for an errno value of a failed file operation.
uint16_t EngineCodeForOsError(int osError);

// The errno value last mapped to UnknownOsError (the code without a meaning of its own) on this thread, for
// the error that reports it.
uint16_t LastUnknownOsError();

}  // namespace kartei
