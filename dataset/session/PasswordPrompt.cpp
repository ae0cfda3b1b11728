#include "dataset/session/PasswordPrompt.h"

namespace kartei {
namespace {

TPasswordPrompt& Prompt() {
    static TPasswordPrompt prompt;
    return prompt;
}

}  // namespace

void SetPasswordPrompt(TPasswordPrompt prompt) {
    Prompt() = std::move(prompt);
}

bool ShowPasswordPrompt(TKarteiSession& session) {
    return Prompt() && Prompt()(session);
}

}  // namespace kartei
