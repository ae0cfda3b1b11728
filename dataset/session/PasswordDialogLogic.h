#pragma once

#include <string>
#include <string_view>

namespace kartei {

class TKarteiSession;

// What the password prompt does, without its window: the edit's text, the added flag of this showing,
// which buttons are enabled, and the buttons' effects on the session's password list. The window shows
// this state and forwards its events.
class TPasswordDialogLogic {
public:
    explicit TPasswordDialogLogic(TKarteiSession& session) : session_(session) {}

    const std::string& Text() const { return text_; }
    // EditChange: Add and Remove need a text; OK needs a text or a password added in this showing.
    void SetText(std::string_view text) { text_ = text; }
    bool Added() const { return added_; }
    bool AddEnabled() const { return !text_.empty(); }
    bool RemoveEnabled() const { return !text_.empty(); }
    bool OKEnabled() const { return !text_.empty() || added_; }

    // Each leaves the edit to take the focus again.
    void AddClick();
    void RemoveClick();
    // Empties the list; the added flag stays.
    void RemoveAllClick();
    // Adds the text (not an empty one); the window then closes with OK.
    void OKClick();

private:
    TKarteiSession& session_;
    std::string text_;
    bool added_ = false;
};

}  // namespace kartei
