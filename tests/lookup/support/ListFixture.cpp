#include "lookup/support/ListFixture.h"

#include <QApplication>
#include <QKeyEvent>
#include <QTest>

#include "lookup/WindowFont.h"

namespace kartei::lookuptest {

TListWindow::TListWindow(std::unique_ptr<TMemoryDataSet> dataSet, const char* keyField, const char* listField)
    : DataSet(std::move(dataSet)) {
    SetTickSource(&Clock);
    Window.setFont(WindowFont());
    Window.resize(322, 300);
    List = new TTestListBox(&Window);
    List->setObjectName(QStringLiteral("lbCity"));
    List->SetBounds(5, 19, 216, 225);
    List->OnClick = [this](QObject*) { ++Clicks; };
    Source.SetDataSet(DataSet.get());
    List->SetListSource(&Source);
    List->SetKeyField(keyField);
    List->SetListField(listField);
    DataSet->Open();
    Window.show();
    Window.activateWindow();
    if (!QTest::qWaitForWindowActive(&Window)) {
        qWarning("the test window did not become active");
    }
    List->setFocus();
}

TListWindow::~TListWindow() {
    delete List;
    SetTickSource(nullptr);
}

int TListWindow::CurrentKey() const {
    return DataSet->Fields()[0].AsInteger();
}

void TListWindow::Key(Qt::Key key, const QString& text) {
    QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(List, &event);
}

void TListWindow::Type(char character) {
    Key(Qt::Key_unknown, QString(QChar::fromLatin1(character)));
}

void TListWindow::Click(int y) {
    QTest::mouseClick(List->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(20, y));
}

}  // namespace kartei::lookuptest
