#include "app/PasswordDialog.h"

#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QValidator>

#include "dataset/session/PasswordPrompt.h"
#include "lookup/UiText.h"
#include "lookup/WindowFont.h"

namespace nummerix {
namespace {

// The session keeps passwords as cp1252 text of at most 255 characters.
constexpr int kMaxPassword = 255;

class TCp1252Validator : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int&) const override {
        for (const QChar character : input) {
            if (kartei::ToCp1252Char(character) < 0) {
                return Invalid;
            }
        }
        return Acceptable;
    }
};

std::string ToCp1252(const QString& text) {
    std::string bytes;
    bytes.reserve(static_cast<size_t>(text.size()));
    for (const QChar character : text) {
        bytes.push_back(static_cast<char>(kartei::ToCp1252Char(character)));
    }
    return bytes;
}

QPushButton* Button(QWidget* parent, const char* name, const QString& caption, QRect bounds) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QLatin1String(name));
    button->setGeometry(bounds);
    button->setAutoDefault(false);
    return button;
}

}  // namespace

TKarteiPasswordDialog::TKarteiPasswordDialog(kartei::TKarteiSession& session, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      logic_(session) {
    setObjectName(QStringLiteral("KarteiPasswordDialog"));
    setWindowTitle(QStringLiteral("Enter password"));
    setFont(kartei::WindowFont());
    setFixedSize(273, 132);

    GroupBox1 = new QGroupBox(QStringLiteral("Password"), this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    GroupBox1->setGeometry(8, 8, 257, 81);
    Edit = new QLineEdit(GroupBox1);
    Edit->setObjectName(QStringLiteral("Edit"));
    Edit->setGeometry(16, 18, 225, 21);
    Edit->setEchoMode(QLineEdit::Password);
    Edit->setMaxLength(kMaxPassword);
    Edit->setValidator(new TCp1252Validator(Edit));
    AddButton = Button(GroupBox1, "AddButton", QStringLiteral("&Add"), {16, 46, 65, 25});
    RemoveButton = Button(GroupBox1, "RemoveButton", QStringLiteral("&Remove"), {88, 46, 65, 25});
    RemoveAllButton = Button(GroupBox1, "RemoveAllButton", QStringLiteral("Re&move all"), {160, 46, 81, 25});
    OKButton = Button(this, "OKButton", QStringLiteral("&OK"), {109, 98, 75, 25});
    OKButton->setDefault(true);
    CancelButton = Button(this, "CancelButton", QStringLiteral("Cancel"), {190, 98, 75, 25});

    setTabOrder(Edit, AddButton);
    setTabOrder(AddButton, RemoveButton);
    setTabOrder(RemoveButton, RemoveAllButton);
    setTabOrder(RemoveAllButton, OKButton);
    setTabOrder(OKButton, CancelButton);

    connect(Edit, &QLineEdit::textChanged, this, [this] { EditChange(Edit); });
    connect(AddButton, &QPushButton::clicked, this, [this] { AddButtonClick(AddButton); });
    connect(RemoveButton, &QPushButton::clicked, this, [this] { RemoveButtonClick(RemoveButton); });
    connect(RemoveAllButton, &QPushButton::clicked, this, [this] { RemoveAllButtonClick(RemoveAllButton); });
    connect(OKButton, &QPushButton::clicked, this, [this] { OKButtonClick(OKButton); });
    // Cancel and Escape close with the modal result Cancel; nothing is added.
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
    EditChange(Edit);
    Edit->setFocus();
}

TKarteiPasswordDialog::~TKarteiPasswordDialog() = default;

bool TKarteiPasswordDialog::ShowPrompt(kartei::TKarteiSession& session) {
    TKarteiPasswordDialog dialog(session);
    return dialog.exec() == QDialog::Accepted;
}

void TKarteiPasswordDialog::EditChange(QObject*) {
    logic_.SetText(ToCp1252(Edit->text()));
    AddButton->setEnabled(logic_.AddEnabled());
    RemoveButton->setEnabled(logic_.RemoveEnabled());
    OKButton->setEnabled(logic_.OKEnabled());
}

void TKarteiPasswordDialog::AddButtonClick(QObject*) {
    logic_.AddClick();
    Edit->clear();
    Edit->setFocus();
}

void TKarteiPasswordDialog::RemoveButtonClick(QObject*) {
    logic_.RemoveClick();
    Edit->clear();
    Edit->setFocus();
}

void TKarteiPasswordDialog::RemoveAllButtonClick(QObject*) {
    logic_.RemoveAllClick();
    Edit->setFocus();
}

void TKarteiPasswordDialog::OKButtonClick(QObject*) {
    logic_.OKClick();
    accept();
}

void InstallPasswordPrompt() {
    kartei::SetPasswordPrompt(&TKarteiPasswordDialog::ShowPrompt);
}

}  // namespace nummerix
