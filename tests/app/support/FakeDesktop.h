#pragma once

#include <QStringList>

#include "app/Desktop.h"

namespace nummerix::apptest {

// Records what the program asks of the desktop instead of doing it. The confirmation dialog is the real
// one unless an answer is set.
class TFakeDesktop : public TDesktop {
public:
    TFakeDesktop() { SetDesktop(this); }
    ~TFakeDesktop() override { SetDesktop(nullptr); }
    TFakeDesktop(const TFakeDesktop&) = delete;
    TFakeDesktop& operator=(const TFakeDesktop&) = delete;

    void ShowError(const QString& caption, const QString& text) override {
        ErrorCaptions << caption;
        Errors << text;
    }
    void OpenUrl(const QUrl& url) override { Opened << url.toString(); }
    void SetClipboardText(const QString& text) override {
        if (ClipboardFails) {
            throw EClipboardError("Zwischenablage kann nicht geöffnet werden");
        }
        TDesktop::SetClipboardText(text);
    }

    QStringList ErrorCaptions;
    QStringList Errors;
    QStringList Opened;
    bool ClipboardFails = false;
};

}  // namespace nummerix::apptest
