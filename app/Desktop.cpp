#include "app/Desktop.h"

#include <QClipboard>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPushButton>

namespace nummerix {
namespace {

TDesktop* current = nullptr;

constexpr const char* kClipboardError = "Zwischenablage kann nicht geöffnet werden";

}  // namespace

void TDesktop::ShowError(const QString& caption, const QString& text) {
    if (!UserSeesWindows()) {
        return;
    }
    QMessageBox box(QMessageBox::Critical, caption, text, QMessageBox::Ok);
    box.exec();
}

bool TDesktop::Confirm(const QString& text) {
    QMessageBox box(QMessageBox::Question, QStringLiteral("Bestätigung"), text, QMessageBox::NoButton);
    QPushButton* yes = box.addButton(QStringLiteral("&Ja"), QMessageBox::YesRole);
    QPushButton* no = box.addButton(QStringLiteral("&Nein"), QMessageBox::NoRole);
    box.setDefaultButton(yes);
    box.setEscapeButton(no);
    box.exec();
    return box.clickedButton() == yes;
}

void TDesktop::OpenUrl(const QUrl& url) {
    QDesktopServices::openUrl(url);
}

void TDesktop::SetClipboardText(const QString& text) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (clipboard == nullptr) {
        throw EClipboardError(kClipboardError);
    }
    clipboard->setText(text);
    // A clipboard we could not take over still holds the other owner's text.
    if (clipboard->text() != text) {
        throw EClipboardError(kClipboardError);
    }
}

TDesktop& Desktop() {
    static TDesktop real;
    return current != nullptr ? *current : real;
}

void SetDesktop(TDesktop* desktop) {
    current = desktop;
}

bool UserSeesWindows() {
    const QString platform = QGuiApplication::platformName();
    return platform != QLatin1String("offscreen") && platform != QLatin1String("minimal");
}

}  // namespace nummerix
