#pragma once

#include <QDialog>
#include <memory>

#include "dataset/session/PasswordDialogLogic.h"

class QGroupBox;
class QLineEdit;
class QPushButton;

namespace kartei {
class TKarteiSession;
}

namespace nummerix {

// The password prompt of a session: the user adds passwords to the session's list until the table opens
// or gives up with Cancel.
class TKarteiPasswordDialog : public QDialog {
    Q_OBJECT

public:
    explicit TKarteiPasswordDialog(kartei::TKarteiSession& session, QWidget* parent = nullptr);
    ~TKarteiPasswordDialog() override;

    // Shows the prompt modally; true when the user closed it with OK.
    static bool ShowPrompt(kartei::TKarteiSession& session);

    QGroupBox* GroupBox1 = nullptr;
    QLineEdit* Edit = nullptr;
    QPushButton* AddButton = nullptr;
    QPushButton* RemoveButton = nullptr;
    QPushButton* RemoveAllButton = nullptr;
    QPushButton* OKButton = nullptr;
    QPushButton* CancelButton = nullptr;

    bool Added() const { return logic_.Added(); }

    void EditChange(QObject* sender);
    void AddButtonClick(QObject* sender);
    void RemoveButtonClick(QObject* sender);
    void RemoveAllButtonClick(QObject* sender);
    void OKButtonClick(QObject* sender);

private:
    kartei::TPasswordDialogLogic logic_;
};

// Makes the dialog the prompt every session shows when a table needs a password.
void InstallPasswordPrompt();

}  // namespace nummerix
