#include "kartei/Errors.h"

#include "engine/errors/ErrorContext.h"

namespace kartei {

EKarteiEngineError::EKarteiEngineError(uint16_t code) : EDatabaseError(std::string()) {
    std::string text = ComposeErrorText(code);
    SetMessage("Kartei Engine Error # " + std::to_string(code) + " " + text);
    errors_.push_back(TKarteiError{code, std::move(text)});
}

}  // namespace kartei
