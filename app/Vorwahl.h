#pragma once

#include <QMainWindow>

#include "app/data/VorwahlData.h"
#include "lookup/DBLookupListBox.h"

class QAction;
class QLineEdit;
class QMenu;
class QPushButton;

namespace nummerix {

class TImage;
class TTimer;

// The program's one window: the city list and the dialling-code list side by side over the tables
// `City.DAT` and `AreaCode.DAT` in ".\db". The list that takes the focus leads; the other one shows the
// detail records of its current record. The window owns its data components (it is their TComponent
// owner, declared and switched between the modes by TVorwahlData) and its controls (their Qt parent).
class TfrmVorwahl : public QMainWindow, public TVorwahlData {
    Q_OBJECT

public:
    // Declares every component, then brings them to their run-time state: the database connects and both
    // tables open. A failure there escapes.
    explicit TfrmVorwahl(QWidget* parent = nullptr);
    ~TfrmVorwahl() override;

    // ---- Components, in the order of declaration (db, tblCity, tblAreaCode, dsCity, dsAreaCode first) ----
    kartei::TDBLookupListBox* lbCity = nullptr;
    kartei::TDBLookupListBox* lbAreaCode = nullptr;
    QLineEdit* edFilter = nullptr;
    TTimer* tmKey = nullptr;
    QPushButton* btnEnd = nullptr;
    QMenuBar* MainMenu1 = nullptr;
    QMenu* Datei1 = nullptr;
    QAction* Beenden1 = nullptr;
    QAction* Exportieren1 = nullptr;
    QMenu* Optionen1 = nullptr;
    QAction* Hilfetexte1 = nullptr;
    QAction* N1 = nullptr;
    TImage* Image1 = nullptr;
    QMenu* mnuLB = nullptr;
    QAction* EintragindieZwischenablage1 = nullptr;
    QMenu* Bearbeiten1 = nullptr;
    QAction* Kopieren1 = nullptr;

    // ---- Event handlers ----
    // Makes the entered list lead: closes both tables, links them for the new mode and reopens them.
    void lbEnter(QObject* sender);
    void FormCanResize(QObject* sender, int& newWidth, int& newHeight, bool& resize);
    // Echoes the typed character above the entered list.
    void lbKeyPress(QObject* sender, char& key);
    void lbExit(QObject* sender);
    void tmKeyTimer(QObject* sender);
    void btnEndClick(QObject* sender);
    void Beenden1Click(QObject* sender);
    void Hilfetexte1Click(QObject* sender);
    void FormShow(QObject* sender);
    void FormClose(QObject* sender);
    void Image1Click(QObject* sender);
    // Copies "leading entry: other entry" to the clipboard.
    void EintragindieZwischenablage1Click(QObject* sender);

    // The window's client area below the menu bar.
    static constexpr int kClientWidth = 314;
    static constexpr int kClientHeight = 294;

protected:
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void CreateControls();
    void CreateDataComponents();
    void CreateMenus();
    void WireEvents();
    void FixSize();
    kartei::TDBLookupListBox* CreateList(const char* name, int left, int width, int tabOrder);

    bool activated_ = false;
};

}  // namespace nummerix
