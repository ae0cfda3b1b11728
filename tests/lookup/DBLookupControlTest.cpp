#include <QTest>
#include <cctype>

#include "base/Cp1252.h"
#include "base/DatabaseError.h"
#include "dataset/framework/FieldFactory.h"
#include "lookup/support/CityData.h"
#include "lookup/support/ListFixture.h"
#include "support/RaisedMessage.h"

using namespace kartei;
using namespace kartei::lookuptest;

namespace {

// The id of the first place whose name starts with `prefix`, letters compared without regard to case.
int FirstCityStartingWith(std::string_view prefix) {
    int id = 0;
    for (const std::string_view name : CityNames()) {
        ++id;
        if (name.size() >= prefix.size() &&
            std::equal(prefix.begin(), prefix.end(), name.begin(),
                       [](char a, char b) { return std::tolower(a) == std::tolower(b); })) {
            return id;
        }
    }
    return 0;
}

// A dataset of people, each living at a place ("city_ref", the id of a city).
std::unique_ptr<TMemoryDataSet> People() {
    auto people = std::make_unique<TMemoryDataSet>(
        nullptr,
        std::vector<TColumn>{{"name", TFieldType::ftString, 20}, {"city_ref", TFieldType::ftInteger}});
    people->AddRow({"Anna", 5});
    people->AddRow({"Bernd", 7});
    return people;
}

}  // namespace

class DBLookupControlTest : public QObject {
    Q_OBJECT

private slots:
    void bindsKeyAndListFields() {
        TListWindow w;
        QVERIFY(w.List->ListReady());
        QCOMPARE(w.List->KeyFieldRef()->FieldName(), std::string("id"));
        QCOMPARE(w.List->ListFieldRefs().size(), size_t{1});
        QCOMPARE(w.List->DisplayField()->FieldName(), std::string("City"));
        w.List->SetListFieldIndex(5);  // out of range: the first displayed field
        w.List->SetListField("id;City");
        QCOMPARE(w.List->DisplayField()->FieldName(), std::string("id"));
        w.List->SetListFieldIndex(1);
        w.List->SetListField("City;id");
        QCOMPARE(w.List->DisplayField()->FieldName(), std::string("id"));
        w.List->SetListField("");
        QCOMPARE(w.List->DisplayField(), w.List->KeyFieldRef());
    }

    void missingFieldsRaiseWithControlName() {
        TListWindow w;
        QCOMPARE(RaisedMessage([&] { w.List->SetKeyField("nope"); }),
                 std::string("lbCity: Das Feld 'nope' wurde nicht gefunden"));
        QVERIFY(!w.List->ListReady());
        QCOMPARE(w.List->FilledRows(), 0);
        w.List->SetKeyField("id");
        QCOMPARE(RaisedMessage([&] { w.List->SetListField("City;nope"); }),
                 std::string("lbCity: Das Feld 'City;nope' wurde nicht gefunden"));
        QVERIFY(!w.List->ListReady());
        w.List->SetListField("City");
        QVERIFY(w.List->ListReady());
        QCOMPARE(w.List->FilledRows(), 17);
    }

    void circularLinkIsRefused() {
        TListWindow w;
        auto codes = MakeAreaCodes();
        codes->SetMasterSource(&w.Source);  // the codes follow the list's own dataset
        codes->Open();
        TDataSource codesSource;
        codesSource.SetDataSet(codes.get());
        w.List->SetDataSource(&codesSource);
        QCOMPARE(RaisedMessage([&] { w.List->SetDataField("city_id"); }),
                 Utf8ToCp1252("Zirkuläre Datenverbindungen sind nicht erlaubt"));
        w.List->SetDataSource(nullptr);
    }

    void settingTheSameKeyDoesNotLocateAgain() {
        TListWindow w;
        w.DataSet->LocateCalls.clear();
        w.List->SetSelectedKey(TVariant(100));
        QCOMPARE(w.DataSet->LocateCalls.size(), size_t{1});
        QCOMPARE(w.DataSet->LocateCalls[0].Fields, std::string("id"));
        QVERIFY(w.DataSet->LocateCalls[0].Options == TLocateOptions{});
        w.List->SetSelectedKey(TVariant(int64_t{100}));  // equal by value
        QCOMPARE(w.DataSet->LocateCalls.size(), size_t{1});
        QCOMPARE(w.CurrentKey(), 100);
        QCOMPARE(w.List->SelectedText(), Utf8ToCp1252(CityNames()[99]));
    }

    void failingOrMissingKeyGoesToFirstRecord() {
        TListWindow w;
        w.List->SetSelectedKey(TVariant(100));
        w.List->SetSelectedKey(TVariant(999999));  // not in the list
        QCOMPARE(w.CurrentKey(), 1);
        w.List->SetSelectedKey(TVariant(100));
        w.DataSet->FailLocate = true;
        w.List->SetSelectedKey(TVariant(200));  // the failure is swallowed
        QCOMPARE(w.CurrentKey(), 1);
        QCOMPARE(w.List->SelectedKey(), TVariant(200));
    }

    void typingSearchesPrefixWithinTwoSeconds() {
        TListWindow w;
        w.Type('b');
        QCOMPARE(w.List->SelectedKey(), TVariant(FirstCityStartingWith("b")));
        w.Clock.Now += 1500;
        w.Type('a');
        QCOMPARE(w.List->SelectedKey(), TVariant(FirstCityStartingWith("ba")));
        w.Clock.Now += 2000;  // exactly two seconds still continue the prefix
        w.Type('D');
        QCOMPARE(w.List->SelectedKey(), TVariant(FirstCityStartingWith("bad")));
        QCOMPARE(w.List->SelectedText(), std::string("Bad Abbach"));
        QCOMPARE(w.CurrentKey(), FirstCityStartingWith("bad"));
        QCOMPARE(w.Clicks, 3);
        QCOMPARE(w.List->SearchPrefix(), std::string("baD"));
        // The search, then the new selection putting the list on its key.
        const auto& calls = w.DataSet->LocateCalls;
        const TMemoryDataSet::TLocateCall& search = calls[calls.size() - 2];
        QCOMPARE(search.Fields, std::string("City"));
        QCOMPARE(search.Value, TVariant("baD"));
        QVERIFY(search.Options ==
                (TLocateOptions{TLocateOption::loCaseInsensitive, TLocateOption::loPartialKey}));
        QCOMPARE(calls.back().Fields, std::string("id"));
    }

    void characterWithoutMatchKeepsSelection() {
        TListWindow w;
        w.Type('b');
        w.Type('q');
        QCOMPARE(w.List->SelectedKey(), TVariant(FirstCityStartingWith("b")));
        QCOMPARE(w.List->SearchPrefix(), std::string("b"));
        QCOMPARE(w.Clicks, 1);
        w.Type('r');
        QCOMPARE(w.List->SelectedKey(), TVariant(FirstCityStartingWith("br")));
    }

    void pauseStartsNewPrefix() {
        TListWindow w;
        w.Type('b');
        w.Clock.Now += 2001;
        w.Type('z');
        QCOMPARE(w.List->SelectedKey(), TVariant(FirstCityStartingWith("z")));
        QCOMPARE(w.List->SearchPrefix(), std::string("z"));
    }

    void backspaceAndEscapeEmptyPrefix() {
        TListWindow w;
        w.Type('b');
        w.Key(Qt::Key_Backspace, QStringLiteral("\b"));
        QCOMPARE(w.List->SearchPrefix(), std::string());
        w.Type('a');
        QCOMPARE(w.List->SelectedKey(), TVariant(1));
        w.Key(Qt::Key_Escape, QStringLiteral("\x1b"));
        QCOMPARE(w.List->SearchPrefix(), std::string());
    }

    void prefixStopsAtThirtyTwoCharacters() {
        TListWindow w;
        const std::string name = "Berg bei Neumarkt in der Oberpfalz";
        for (size_t k = 0; k < 32; ++k) {
            w.Type(name[k]);
        }
        QCOMPARE(w.List->SearchPrefix(), name.substr(0, 32));
        QCOMPARE(w.List->SelectedText(), name);
        const size_t calls = w.DataSet->LocateCalls.size();
        w.Type(name[32]);
        QCOMPARE(w.DataSet->LocateCalls.size(), calls);
        QCOMPARE(w.List->SearchPrefix(), name.substr(0, 32));
    }

    void failingSearchKeepsTypedText() {
        TListWindow w;
        w.DataSet->FailLocate = true;
        w.Type('b');
        QCOMPARE(w.List->SearchPrefix(), std::string("b"));
        QVERIFY(w.List->SelectedKey().IsNull());
        QCOMPARE(w.Clicks, 0);
    }

    void nonStringDisplayFieldIsNotSearched() {
        TListWindow w(MakeCities(), "id", "");
        const size_t calls = w.DataSet->LocateCalls.size();
        w.Type('1');
        QCOMPARE(w.DataSet->LocateCalls.size(), calls);
        QCOMPARE(w.List->SearchPrefix(), std::string());
    }

    void keyPressHandlerSeesAndChangesCharacter() {
        TListWindow w;
        w.List->OnKeyPress = [](QObject*, char& key) { key = key == 'x' ? 'z' : 0; };
        w.Type('x');
        QCOMPARE(w.List->SelectedKey(), TVariant(FirstCityStartingWith("z")));
        w.Type('b');  // dropped by the handler
        QCOMPARE(w.List->SearchPrefix(), std::string("z"));
    }

    void typedTextInOneListCountsAsRecentInAnother() {
        TListWindow w;
        TTestListBox other(&w.Window);
        TDataSource source;
        source.SetDataSet(w.DataSet.get());
        other.SetListSource(&source);
        other.SetKeyField("id");
        other.SetListField("City");
        w.Type('b');
        w.Clock.Now += 2500;
        other.HandleSearchChar('x');  // nothing starts with "x", but the time is taken
        w.Clock.Now += 1000;
        w.Type('r');
        QCOMPARE(w.List->SearchPrefix(), std::string("br"));
    }

    void focusEmptiesPrefixAndRaisesEnter() {
        TListWindow w;
        int enters = 0;
        int exits = 0;
        w.List->OnEnter = [&](QObject*) { ++enters; };
        w.List->OnExit = [&](QObject*) { ++exits; };
        QWidget other(&w.Window);
        other.setFocusPolicy(Qt::StrongFocus);
        other.show();
        w.Type('b');
        QVERIFY(w.List->HasInputFocus());
        other.setFocus();
        QVERIFY(!w.List->HasInputFocus());
        QCOMPARE(exits, 1);
        QCOMPARE(w.List->SearchPrefix(), std::string("b"));
        w.List->setFocus();
        QCOMPARE(enters, 1);
        QCOMPARE(w.List->SearchPrefix(), std::string());
    }

    void selectionMirrorsDataField() {
        TListWindow w;
        auto people = People();
        people->Open();
        TDataSource peopleSource;
        peopleSource.SetDataSet(people.get());
        w.List->SetDataSource(&peopleSource);
        w.List->SetDataField("city_ref");
        QCOMPARE(w.List->SelectedKey(), TVariant(5));
        QCOMPARE(w.CurrentKey(), 5);
        people->Next();
        QCOMPARE(w.List->SelectedKey(), TVariant(7));
        QVERIFY(w.List->CanChangeSelection());
        w.Type('z');  // writes the found key into the data field
        QVERIFY(people->State() == TDataSetState::dsEdit);
        QCOMPARE(people->FieldByName("city_ref").AsInteger(), FirstCityStartingWith("z"));
        QCOMPARE(w.List->SelectedKey(), TVariant(FirstCityStartingWith("z")));
        people->Cancel();
        people->SetReadOnly(true);
        QVERIFY(!w.List->CanChangeSelection());
        w.List->SetDataSource(nullptr);
    }

    void lookupFieldDefinesListAndKey() {
        TListWindow w;
        auto people = People();
        people->Open();
        TFieldDef def;
        def.Name = "place";
        def.DataType = TFieldType::ftString;
        def.Size = 200;
        people->Fields().Add(CreateField(*people, def));
        people->FieldByName("place").SetLookupDefinition(*w.DataSet, "city_ref", "id", "City");
        TDataSource peopleSource;
        peopleSource.SetDataSet(people.get());
        TTestListBox list(&w.Window);
        list.setObjectName(QStringLiteral("lbPlace"));
        list.SetListField("id");
        list.SetDataSource(&peopleSource);
        list.SetDataField("place");
        QVERIFY(list.LookupMode());
        QVERIFY(list.ListSource() == nullptr);
        QCOMPARE(list.KeyField(), std::string("id"));
        QCOMPARE(list.DisplayField()->FieldName(), std::string("City"));
        QCOMPARE(list.ListFieldRefs().size(), size_t{2});
        QCOMPARE(list.DataKeyFieldRef()->FieldName(), std::string("city_ref"));
        QCOMPARE(list.SelectedKey(), TVariant(5));
        const std::string refused = "Eigenschaft bereits durch Lookup-Feld definiert";
        QCOMPARE(RaisedMessage([&] { list.SetKeyField("City"); }), refused);
        QCOMPARE(RaisedMessage([&] { list.SetListSource(&w.Source); }), refused);
        list.SetDataField("city_ref");  // a plain field: lookup mode ends
        QVERIFY(!list.LookupMode());
        QVERIFY(!list.ListReady());
        list.SetDataSource(nullptr);
    }

    void destroyedListSourceIsCleared() {
        TListWindow w;
        auto source = std::make_unique<TDataSource>();
        source->SetDataSet(w.DataSet.get());
        w.List->SetListSource(source.get());
        QVERIFY(w.List->ListReady());
        source.reset();
        QVERIFY(w.List->ListSource() == nullptr);
        QVERIFY(!w.List->ListReady());
        QCOMPARE(w.List->FilledRows(), 0);
    }
};

QTEST_MAIN(DBLookupControlTest)
#include "DBLookupControlTest.moc"
