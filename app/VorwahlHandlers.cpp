#include <QAction>
#include <QLineEdit>

#include "app/Desktop.h"
#include "app/HintSwitch.h"
#include "app/Pictures.h"
#include "app/Timer.h"
#include "app/Vorwahl.h"
#include "dataset/framework/DataSet.h"
#include "lookup/UiText.h"
#include "settings/Config.h"

namespace nummerix {
namespace {

constexpr char kBackspace = 8;

// The named field of the current record behind the list, as text ("" without a current record).
std::string ListText(const kartei::TDBLookupListBox* list, std::string_view field) {
    return list->ListSource()->DataSet()->FieldByName(field).AsString();
}

}  // namespace

void TfrmVorwahl::lbEnter(QObject* sender) {
    const auto* list = static_cast<QWidget*>(sender);
    edFilter->clear();
    edFilter->move(list->x(), edFilter->y());
    edFilter->resize(list->width(), edFilter->height());
    SwitchTo(sender == lbCity ? TVorwahlMode::City : TVorwahlMode::AreaCode);
}

void TfrmVorwahl::FormCanResize(QObject*, int&, int&, bool& resize) {
    resize = false;
}

void TfrmVorwahl::lbKeyPress(QObject*, char& key) {
    tmKey->SetEnabled(false);
    tmKey->SetEnabled(true);
    QString echo = edFilter->text();
    if (key == kBackspace) {
        echo.chop(1);
    } else {
        echo += kartei::ToQString(std::string_view(&key, 1));
    }
    edFilter->setText(echo);
    edFilter->show();
}

void TfrmVorwahl::lbExit(QObject*) {
    edFilter->hide();
}

void TfrmVorwahl::tmKeyTimer(QObject*) {
    tmKey->SetEnabled(false);
    edFilter->clear();
    edFilter->hide();
}

void TfrmVorwahl::btnEndClick(QObject*) {
    close();
}

void TfrmVorwahl::Beenden1Click(QObject*) {
    close();
}

// The checkable menu item has already inverted its check mark when it reports the click.
void TfrmVorwahl::Hilfetexte1Click(QObject*) {
    SetShowHints(Hilfetexte1->isChecked());
    settings::Config().WriteBool("ShowHint", Hilfetexte1->isChecked());
}

void TfrmVorwahl::FormShow(QObject*) {
    settings::TConfig& config = settings::Config();
    config.SetRootKey("Software\\Quolt");
    config.LoadSection("AreaCode");
    Hilfetexte1->setChecked(config.ReadBool("ShowHint", true));
    SetShowHints(Hilfetexte1->isChecked());
}

void TfrmVorwahl::FormClose(QObject*) {
    settings::Config().SaveSection("AreaCode");
}

void TfrmVorwahl::Image1Click(QObject*) {
    if (Desktop().Confirm(QStringLiteral("Möchten Sie die Quolt-Website aufrufen?"))) {
        Desktop().OpenUrl(QUrl(MakerAddress()));
    }
}

void TfrmVorwahl::EintragindieZwischenablage1Click(QObject*) {
    const std::string line = CityMode() ? ListText(lbCity, "city") + ": " + ListText(lbAreaCode, "areacode")
                                        : ListText(lbAreaCode, "areacode") + ": " + ListText(lbCity, "city");
    Desktop().SetClipboardText(kartei::ToQString(line));
}

}  // namespace nummerix
