#pragma once

#include <QString>
#include <QUrl>
#include <stdexcept>

namespace nummerix {

// The clipboard could not take the text; it keeps what it held.
class EClipboardError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The desktop services the program asks for: message boxes, the clipboard and the web browser. Tests put
// their own in place, so that nothing blocks and nothing leaves the process.
class TDesktop {
public:
    virtual ~TDesktop() = default;

    // A modal message box with the error icon; none where no user sees windows (nobody could close it).
    virtual void ShowError(const QString& caption, const QString& text);
    // The confirmation dialog ("Bestätigung", question icon) with "&Ja" (default) and "&Nein" (Escape),
    // centred on the screen; true for "&Ja".
    virtual bool Confirm(const QString& text);
    // Hands the address to the user's web browser; a failure is not reported.
    virtual void OpenUrl(const QUrl& url);
    // Replaces the clipboard's contents by the text; raises EClipboardError when the clipboard cannot be
    // written.
    virtual void SetClipboardText(const QString& text);
};

// The services in use: the real desktop unless others were set.
TDesktop& Desktop();
// Puts `desktop` in place (none: the real desktop again); the caller keeps it alive meanwhile.
void SetDesktop(TDesktop* desktop);

// Whether a user can see this process's windows: not on the headless platforms ("offscreen", "minimal"),
// where a modal box would wait for ever.
bool UserSeesWindows();

}  // namespace nummerix
