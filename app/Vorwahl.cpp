#include "app/Vorwahl.h"

#include <QCloseEvent>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>

#include "app/ImageControl.h"
#include "app/Pictures.h"
#include "app/Timer.h"
#include "lookup/WindowFont.h"

namespace nummerix {
namespace {

const QString kListHint = QStringLiteral("zum Suchen anklicken und tippen");

constexpr int kListTop = 19;
constexpr int kListHeight = 225;

}  // namespace

// Controls first, then the data components, then the menus; only when all exist are the references between
// them resolved and the stored states applied (the database connects, the tables open).
TfrmVorwahl::TfrmVorwahl(QWidget* parent) : QMainWindow(parent) {
    BeginLoading();
    SetName("frmVorwahl");
    setObjectName(QStringLiteral("frmVorwahl"));
    setWindowTitle(QStringLiteral("Stadt/Vorwahl - Zuordnung Deutschland"));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setFont(kartei::WindowFont());
    setCentralWidget(new QWidget(this));
    centralWidget()->setFixedSize(kClientWidth, kClientHeight);
    CreateControls();
    CreateDataComponents();
    CreateMenus();
    WireEvents();
    FixSize();
    EndLoading();
}

TfrmVorwahl::~TfrmVorwahl() {
    Destroying();
    // The lists outlive the tables by a moment; they must not call back into a window being taken apart.
    for (kartei::TDBLookupListBox* list : {lbCity, lbAreaCode}) {
        list->OnEnter = nullptr;
        list->OnExit = nullptr;
        list->OnKeyPress = nullptr;
    }
}

void TfrmVorwahl::CreateControls() {
    QWidget* client = centralWidget();
    Image1 = new TImage(client);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->move(103, 245);
    Image1->SetPicture(MakerLogo());
    Image1->setCursor(Qt::PointingHandCursor);
    Image1->setToolTip(MakerAddress());
    Image1->setAccessibleName(QStringLiteral("Quolt-Logo"));
    Image1->setAccessibleDescription(QStringLiteral("Anklicken, um die Quolt-Website aufzurufen"));

    lbCity = CreateList("lbCity", 5, 216, 0);
    lbCity->setAccessibleName(QStringLiteral("Stadt"));
    lbAreaCode = CreateList("lbAreaCode", 222, 85, 1);
    lbAreaCode->setAccessibleName(QStringLiteral("Vorwahl"));

    edFilter = new QLineEdit(client);
    edFilter->setObjectName(QStringLiteral("edFilter"));
    edFilter->setGeometry(6, 0, 169, 19);
    edFilter->setFocusPolicy(Qt::NoFocus);
    edFilter->setFrame(false);
    edFilter->setReadOnly(true);
    QPalette echo = edFilter->palette();
    echo.setColor(QPalette::Base, palette().color(QPalette::Window));
    echo.setColor(QPalette::Text, Qt::blue);
    edFilter->setPalette(echo);
    edFilter->setFont(kartei::WindowFont());
    edFilter->hide();
    edFilter->setAccessibleName(QStringLiteral("Suchtext"));
    edFilter->setAccessibleDescription(QStringLiteral("die in die Liste getippten Zeichen"));

    btnEnd = new QPushButton(client);
    btnEnd->setObjectName(QStringLiteral("btnEnd"));
    btnEnd->setGeometry(5, 254, 25, 25);
    btnEnd->setIcon(EndGlyph());
    btnEnd->setIconSize(QSize(18, 18));
    btnEnd->setToolTip(QStringLiteral("Anwendung beenden"));
    btnEnd->setAccessibleName(QStringLiteral("Beenden"));
    btnEnd->setAccessibleDescription(btnEnd->toolTip());
}

kartei::TDBLookupListBox* TfrmVorwahl::CreateList(const char* name, int left, int width, int tabOrder) {
    auto* list = new kartei::TDBLookupListBox(centralWidget());
    list->setObjectName(QLatin1String(name));
    list->SetBounds(left, kListTop, width, kListHeight);
    list->setToolTip(kListHint);
    list->setAccessibleDescription(kListHint);
    list->setContextMenuPolicy(Qt::CustomContextMenu);
    if (tabOrder > 0) {
        setTabOrder(lbCity, list);
    }
    return list;
}

void TfrmVorwahl::CreateDataComponents() {
    DeclareDataComponents(".\\db");
    tmKey = new TTimer(this);
    tmKey->setObjectName(QStringLiteral("tmKey"));
    tmKey->SetEnabled(false);
    tmKey->SetInterval(2000);
}

void TfrmVorwahl::CreateMenus() {
    MainMenu1 = menuBar();
    MainMenu1->setObjectName(QStringLiteral("MainMenu1"));
    Datei1 = MainMenu1->addMenu(QStringLiteral("&Datei"));
    Datei1->setObjectName(QStringLiteral("Datei1"));
    Exportieren1 = Datei1->addAction(QStringLiteral("&Exportieren"));
    Exportieren1->setObjectName(QStringLiteral("Exportieren1"));
    Exportieren1->setEnabled(false);
    N1 = Datei1->addSeparator();
    N1->setObjectName(QStringLiteral("N1"));
    Beenden1 = Datei1->addAction(QStringLiteral("&Beenden"));
    Beenden1->setObjectName(QStringLiteral("Beenden1"));

    Bearbeiten1 = MainMenu1->addMenu(QStringLiteral("Bearbeiten"));
    Bearbeiten1->setObjectName(QStringLiteral("Bearbeiten1"));
    Kopieren1 = Bearbeiten1->addAction(QStringLiteral("&Kopieren"));
    Kopieren1->setObjectName(QStringLiteral("Kopieren1"));

    Optionen1 = MainMenu1->addMenu(QStringLiteral("&Optionen"));
    Optionen1->setObjectName(QStringLiteral("Optionen1"));
    Hilfetexte1 = Optionen1->addAction(QStringLiteral("&Hinweise"));
    Hilfetexte1->setObjectName(QStringLiteral("Hilfetexte1"));
    Hilfetexte1->setCheckable(true);
    Hilfetexte1->setChecked(true);

    mnuLB = new QMenu(this);
    mnuLB->setObjectName(QStringLiteral("mnuLB"));
    EintragindieZwischenablage1 = mnuLB->addAction(QStringLiteral("Eintrag in die Zwischenablage"));
    EintragindieZwischenablage1->setObjectName(QStringLiteral("EintragindieZwischenablage1"));
}

// The lists' sources and the event handlers.
void TfrmVorwahl::WireEvents() {
    const auto wireList = [this](kartei::TDBLookupListBox* list, kartei::TDataSource* source, const char* key,
                                 const char* field) {
        list->SetListSource(source);
        list->SetKeyField(key);
        list->SetListField(field);
        list->OnEnter = [this](QObject* sender) { lbEnter(sender); };
        list->OnExit = [this](QObject* sender) { lbExit(sender); };
        list->OnKeyPress = [this](QObject* sender, char& key) { lbKeyPress(sender, key); };
        connect(list, &QWidget::customContextMenuRequested, this,
                [this, list](const QPoint& at) { mnuLB->popup(list->mapToGlobal(at)); });
    };
    wireList(lbCity, dsCity, "id", "City");
    wireList(lbAreaCode, dsAreaCode, "city_id", "areacode");
    setTabOrder(lbAreaCode, btnEnd);

    tmKey->OnTimer = [this](QObject* sender) { tmKeyTimer(sender); };
    Image1->OnClick = [this](QObject* sender) { Image1Click(sender); };
    connect(btnEnd, &QPushButton::clicked, this, [this] { btnEndClick(btnEnd); });
    connect(Beenden1, &QAction::triggered, this, [this] { Beenden1Click(Beenden1); });
    connect(Hilfetexte1, &QAction::triggered, this, [this] { Hilfetexte1Click(Hilfetexte1); });
    connect(Kopieren1, &QAction::triggered, this, [this] { EintragindieZwischenablage1Click(Kopieren1); });
    connect(EintragindieZwischenablage1, &QAction::triggered, this,
            [this] { EintragindieZwischenablage1Click(EintragindieZwischenablage1); });
}

// Qt asks for the window's size once, up front: the size FormCanResize refuses to change becomes fixed, which
// also takes the maximise button away.
void TfrmVorwahl::FixSize() {
    const QSize declared = sizeHint();
    int width = declared.width();
    int height = declared.height();
    bool resize = true;
    FormCanResize(this, width, height, resize);
    if (!resize) {
        setFixedSize(declared);
    }
    const QRect desktop = screen()->availableGeometry();
    move(desktop.center() - QPoint(declared.width() / 2, declared.height() / 2));
}

bool TfrmVorwahl::event(QEvent* event) {
    const bool handled = QMainWindow::event(event);
    if (event->type() == QEvent::WindowActivate && !activated_) {
        // The first activation focuses the first control in tab order as if it had been entered.
        activated_ = true;
        if (lbCity->hasFocus()) {
            lbEnter(lbCity);
        } else {
            lbCity->setFocus(Qt::TabFocusReason);
        }
    }
    return handled;
}

void TfrmVorwahl::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!event->spontaneous()) {
        FormShow(this);
    }
}

void TfrmVorwahl::closeEvent(QCloseEvent* event) {
    FormClose(this);
    event->accept();
}

}  // namespace nummerix
