#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "kartei/Errors.h"

namespace kartei {

// The process-wide error context: the engine fills it just before it raises, and the text of an
// EKarteiEngineError is composed from it. Every fill and read is guarded by one lock.

// Which name ErrorContextName returns.
enum class TErrorContextName { Field = 0, Table = 1, Index = 2 };

// RaiseKarteiError (kartei/Errors.h) clears the context and stores the code and the four names first.

// As RaiseKarteiError for a failed operating-system call: also records the system's error number.
[[noreturn]] void RaiseKarteiOsError(uint16_t code, std::string_view tableName, uint16_t osError);

// Raises EKarteiEngineError for the code with whatever the context holds.
[[noreturn]] void RaiseKarteiErrorCode(uint16_t code);

// Does nothing for 0; raises any other status as an engine error for that code.
void CheckKarteiStatus(uint16_t status);

// The message text for a code, composed from the context (at most 254 characters).
std::string ComposeErrorText(uint16_t code);

uint16_t ErrorContextCode();
uint16_t ErrorContextOsError();
std::string ErrorContextName(TErrorContextName which);

}  // namespace kartei
