#pragma once

#include <functional>

namespace kartei {

class TKarteiSession;

// Shows the password prompt for a session and tells whether the user closed it with OK. The user interface
// installs it; without one, the prompt counts as cancelled.
using TPasswordPrompt = std::function<bool(TKarteiSession& session)>;

void SetPasswordPrompt(TPasswordPrompt prompt);
bool ShowPasswordPrompt(TKarteiSession& session);

}  // namespace kartei
