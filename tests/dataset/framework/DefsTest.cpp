#include <gtest/gtest.h>

#include <functional>

#include "base/DatabaseError.h"
#include "dataset/framework/Component.h"
#include "dataset/framework/DatabaseErrors.h"
#include "dataset/framework/FieldDefs.h"
#include "dataset/framework/IndexDefs.h"
#include "dataset/framework/Names.h"
#include "support/RaisedMessage.h"

namespace kartei {
namespace {

using Names = std::vector<std::string_view>;

TEST(NamesTest, NamesCompareWithoutRegardToCase) {
    EXPECT_TRUE(SameName("City", "cITY"));
    EXPECT_TRUE(SameName("\xC4rger", "\xE4RGER"));                  // Ä ä
    EXPECT_TRUE(SameName("\x8A\x8C\x8E\x9F", "\x9A\x9C\x9E\xFF"));  // Š Œ Ž Ÿ
    EXPECT_FALSE(SameName("\xD7", "\xF7"));  // multiplication and division signs are no letters
    EXPECT_FALSE(SameName("id", "ids"));
    EXPECT_FALSE(SameName("a_b", "a-b"));
}

TEST(NamesTest, NameListsSplitAtSemicolons) {
    EXPECT_EQ(SplitNames("id"), (Names{"id"}));
    EXPECT_EQ(SplitNames(" City ; id"), (Names{"City", "id"}));
    EXPECT_EQ(SplitNames("a;"), (Names{"a"}));
    EXPECT_EQ(SplitNames("a;;b"), (Names{"a", "", "b"}));
    EXPECT_EQ(SplitNames(";a"), (Names{"", "a"}));
    EXPECT_TRUE(SplitNames("").empty());
    EXPECT_TRUE(NameListStartsWith("City;id", "city"));
    EXPECT_FALSE(NameListStartsWith("Cityname;id", "City"));
    EXPECT_FALSE(NameListStartsWith("City", "City"));
}

TEST(DatabaseErrorTextTest, ComponentErrorsArePrefixedWithTheName) {
    EXPECT_EQ(FormatMessage("Das Feld '%s' wurde nicht gefunden", {"x"}),
              "Das Feld 'x' wurde nicht gefunden");
    EXPECT_EQ(FormatMessage("%s bis %s", {"1", "2"}), "1 bis 2");
    EXPECT_EQ(FormatMessage("%s bis %s", {"1"}), "1 bis %s");
    EXPECT_EQ(FormatMessage("%s", {"%s"}), "%s");
    EXPECT_EQ(ComponentMessage("tblCity", "Fehler"), "tblCity: Fehler");
    EXPECT_EQ(ComponentMessage("", "Fehler"), "Fehler");
    TComponent component;
    component.SetName("lbCity");
    EXPECT_EQ(RaisedMessage([&] { RaiseComponentError(component, "Fehler"); }), "lbCity: Fehler");
    EXPECT_EQ(RaisedMessage([] { RaiseComponentError("", "Fehler"); }), "Fehler");
    EXPECT_EQ(RaisedMessage([] { RaiseDatabaseError("Fehler"); }), "Fehler");
}

TEST(FieldDefsTest, DefinitionsAreNumberedInOrderAndFoundByName) {
    TFieldDefs defs;
    defs.Add("id", TFieldType::ftAutoInc, 0, true);
    TFieldDef& city = defs.Add("City", TFieldType::ftString, 200);
    city.FieldNo = 7;
    ASSERT_EQ(defs.Count(), 2);
    EXPECT_EQ(defs[0].FieldNo, 1);
    EXPECT_TRUE(defs[0].Required);
    EXPECT_EQ(defs.Find("CITY"), &defs[1]);
    EXPECT_EQ(defs.Find("CITY")->FieldNo, 7);
    EXPECT_EQ(defs.Find("Size"), nullptr);
    defs.Clear();
    EXPECT_EQ(defs.Count(), 0);
}

class IndexDefsTest : public ::testing::Test {
protected:
    IndexDefsTest() : defs(&table) {
        table.SetName("tblCity");
        defs.Add("PrimaryKey", "id", {TIndexOption::ixPrimary, TIndexOption::ixUnique});
        defs.Add("CityDesc", "City", {TIndexOption::ixDescending});
        defs.Add("CityExpr", "City", {TIndexOption::ixExpression});
        defs.Add("CityId", "City;id", {});
        defs.Add("CityCase", "City", {TIndexOption::ixCaseInsensitive});
        defs.Add("Code", "areacode;city_id", {TIndexOption::ixCaseInsensitive});
    }
    TComponent table;
    TIndexDefs defs;
};

TEST_F(IndexDefsTest, AFieldListFindsAnEqualListFirstThenALongerOne) {
    EXPECT_EQ(defs.FindIndexForFields("ID").Name, "PrimaryKey");
    // Descending and expression indexes never match; an equal list wins over an earlier longer one.
    EXPECT_EQ(defs.FindIndexForFields("city").Name, "CityCase");
    EXPECT_EQ(defs.FindIndexForFields("areacode").Name, "Code");
    EXPECT_EQ(defs.FindIndexForFields("City;ID").Name, "CityId");
    EXPECT_EQ(RaisedMessage([&] { defs.FindIndexForFields("city_id"); }),
              "tblCity: Kein Index f\xFC"
              "r die Felder 'city_id' vorhanden");
    TIndexDefs unowned;
    EXPECT_EQ(RaisedMessage([&] { unowned.FindIndexForFields("id"); }),
              "Kein Index f\xFC"
              "r die Felder 'id' vorhanden");
}

TEST_F(IndexDefsTest, ACaseInsensitiveSearchTakesOnlyCaseInsensitiveIndexes) {
    EXPECT_EQ(defs.GetIndexForFields("City", true)->Name, "CityCase");
    EXPECT_EQ(defs.GetIndexForFields("id", true), nullptr);
    EXPECT_EQ(defs.GetIndexForFields("areacode", true)->Name, "Code");
    // Without the option any index may match, the case-insensitive one included.
    EXPECT_EQ(defs.GetIndexForFields("City", false)->Name, "CityCase");
    EXPECT_EQ(defs.GetIndexForFields("id", false)->Name, "PrimaryKey");
    EXPECT_EQ(defs.GetIndexForFields("nothing", false), nullptr);
}

TEST_F(IndexDefsTest, DefinitionsAreFoundByNameAndKeepTheirOptions) {
    const TIndexDef* primary = defs.Find("primarykey");
    ASSERT_NE(primary, nullptr);
    EXPECT_TRUE(primary->Options.Contains(TIndexOption::ixPrimary));
    EXPECT_TRUE(primary->Options.Contains(TIndexOption::ixUnique));
    EXPECT_FALSE(primary->Options.Contains(TIndexOption::ixDescending));
    EXPECT_EQ(defs.Find("nothing"), nullptr);
    EXPECT_FALSE(defs.Updated());
    defs.SetUpdated(true);
    EXPECT_TRUE(defs.Updated());
    defs.Clear();
    EXPECT_EQ(defs.Count(), 0);
}

}  // namespace
}  // namespace kartei
