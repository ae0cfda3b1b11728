#include "dataset/session/PasswordDialogLogic.h"

#include "dataset/session/KarteiSession.h"

namespace kartei {

void TPasswordDialogLogic::AddClick() {
    session_.AddPassword(text_);
    added_ = true;
    text_.clear();
}

void TPasswordDialogLogic::RemoveClick() {
    session_.RemovePassword(text_);
    text_.clear();
}

void TPasswordDialogLogic::RemoveAllClick() {
    session_.RemoveAllPasswords();
}

void TPasswordDialogLogic::OKClick() {
    if (!text_.empty()) {
        session_.AddPassword(text_);
    }
}

}  // namespace kartei
