#pragma once

#include <string>

#include "kartei/Errors.h"

namespace kartei::tools {

// An engine error's text as the tool prints it: UTF-8 (the engine's texts are cp1252).
std::string EngineMessage(const EKarteiEngineError& error);

// Whether the error says that the files are damaged (or not a table at all) rather than that a request
// was refused.
bool IsDamage(const EKarteiEngineError& error);

// ExitStatus::Damaged for damage, else ExitStatus::BadInput.
int EngineFailureStatus(const EKarteiEngineError& error);

}  // namespace kartei::tools
