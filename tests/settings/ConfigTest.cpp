#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <vector>

#include "SettingsTestSupport.h"
#include "settings/Config.h"
#include "settings/IIf.h"
#include "settings/registry/Registry.h"

namespace settings {
namespace {

using testing::ErrorOf;
using Lines = std::vector<std::string>;

constexpr std::string_view kHeader = "Windows Registry Editor Version 5.00\n\n";

class ConfigTest : public testing::TempConfigHomeTest {
protected:
    // The hive with one section of the given value lines below Software\Quolt.
    void WriteSection(std::string_view section, std::string_view values) const {
        WriteHive(std::string(kHeader) + "[Software\\Quolt\\" + std::string(section) + "]\n" +
                  std::string(values) + "\n");
    }
};

TEST_F(ConfigTest, FirstRunCreatesTheRootKeyAndSavesTheHintSetting) {
    TConfig config;
    EXPECT_EQ(config.RootKey(), "Software\\Quolt");
    EXPECT_TRUE(config.LoadSection("AreaCode"));
    EXPECT_TRUE(config.SectionLoaded());
    EXPECT_TRUE(config.SectionValues().empty());
    EXPECT_EQ(ReadHive(), std::string(kHeader) + "[Software\\Quolt]\n\n");

    EXPECT_TRUE(config.ReadBool("ShowHint", true));
    EXPECT_EQ(config.SectionValues(), Lines{"ShowHint=TRUE"});

    EXPECT_TRUE(config.SaveSection("AreaCode"));
    EXPECT_EQ(ReadHive(), std::string(kHeader) +
                              "[Software\\Quolt]\n\n"
                              "[Software\\Quolt\\AreaCode]\n"
                              "\"ShowHint\"=\"TRUE\"\n\n");

    TConfig next;
    next.LoadSection("AreaCode");
    EXPECT_TRUE(next.ReadBool("ShowHint", false));
}

TEST_F(ConfigTest, OnlyTheWordTrueReadsAsTrue) {
    WriteSection("AreaCode",
                 "\"Blanks\"=\" true \"\n"
                 "\"Controls\"=\"\\r\\ntRuE\t\"\n"
                 "\"Upper\"=\"TRUE\"\n"
                 "\"One\"=\"1\"\n"
                 "\"Yes\"=\"yes\"\n"
                 "\"Inner\"=\"tr ue\"\n"
                 "\"Longer\"=\"trueish\"\n"
                 "\"False\"=\"FALSE\"");
    TConfig config;
    config.LoadSection("AreaCode");
    EXPECT_TRUE(config.ReadBool("Blanks", false));
    EXPECT_TRUE(config.ReadBool("Controls", false));
    EXPECT_TRUE(config.ReadBool("Upper", false));
    EXPECT_FALSE(config.ReadBool("One", true));
    EXPECT_FALSE(config.ReadBool("Yes", true));
    EXPECT_FALSE(config.ReadBool("Inner", true));
    EXPECT_FALSE(config.ReadBool("Longer", true));
    EXPECT_FALSE(config.ReadBool("False", true));
    // Reading stored texts adds nothing.
    EXPECT_EQ(config.SectionValues().size(), 8u);
}

TEST_F(ConfigTest, AnEmptyValueIsSavedButNotLoadedBack) {
    TConfig config;
    config.LoadSection("AreaCode");
    EXPECT_TRUE(config.WriteValue("Name", ""));
    EXPECT_EQ(config.SectionValues(), Lines{"Name="});
    config.SaveSection("AreaCode");
    EXPECT_NE(ReadHive().find("\n\"Name\"=\"\"\n"), std::string::npos);

    TConfig next;
    next.LoadSection("AreaCode");
    EXPECT_TRUE(next.SectionValues().empty());
    EXPECT_EQ(next.ReadValue("Name", "Vorgabe"), "Vorgabe");
    EXPECT_EQ(next.SectionValues(), Lines{"Name=Vorgabe"});
}

TEST_F(ConfigTest, NothingIsReadOrWrittenBeforeALoad) {
    TConfig config;
    EXPECT_FALSE(config.SaveSection("AreaCode"));
    EXPECT_FALSE(config.WriteBool("ShowHint", true));
    EXPECT_FALSE(config.WriteValue("Name", "x"));
    EXPECT_EQ(config.ReadValue("Name", "x"), "");
    EXPECT_FALSE(config.ReadBool("ShowHint", true));
    EXPECT_TRUE(config.SectionValues().empty());
    EXPECT_FALSE(config.SectionLoaded());
    EXPECT_FALSE(Exists(Home() + "/quolt"));
}

TEST_F(ConfigTest, AValueOfAnotherTypeFailsTheLoad) {
    WriteSection("AreaCode", "\"ShowHint\"=\"TRUE\"\n\"Count\"=dword:00000002");
    const std::string before = ReadHive();
    TConfig config;
    EXPECT_EQ(ErrorOf([&] { config.LoadSection("AreaCode"); }), "Ungültiger Datentyp für 'Count'");
    EXPECT_FALSE(config.SectionLoaded());
    EXPECT_FALSE(config.SaveSection("AreaCode"));
    EXPECT_EQ(ReadHive(), before);
}

TEST_F(ConfigTest, AFailedReloadKeepsTheLoadedFlagAndThePartUnsorted) {
    WriteHive(std::string(kHeader) +
              "[Software\\Quolt\\Good]\n\"x\"=\"1\"\n\n"
              "[Software\\Quolt\\Bad]\n\"b\"=\"2\"\n\"a\"=\"1\"\n\"n\"=dword:00000001\n\"c\"=\"3\"\n");
    TConfig config;
    config.LoadSection("Good");
    EXPECT_EQ(ErrorOf([&] { config.LoadSection("Bad"); }), "Ungültiger Datentyp für 'n'");
    EXPECT_TRUE(config.SectionLoaded());
    EXPECT_EQ(config.SectionValues(), (Lines{"b=2", "a=1"}));
    // Sorting stays off: a new line goes to the end.
    config.WriteValue("0", "z");
    EXPECT_EQ(config.SectionValues(), (Lines{"b=2", "a=1", "0=z"}));
}

TEST_F(ConfigTest, EmptyDataOfAnyTypeReadsAsEmptyAndTextEndsAtItsFirstZero) {
    WriteSection("AreaCode",
                 "\"Empty\"=hex:\n"
                 "\"List\"=hex(7):\n"
                 "\"Path\"=hex(2):25,00,48,00,4f,00,4d,00,45,00,25,00,00,00\n"
                 "\"Cut\"=hex(1):41,00,00,00,42,00,00,00\n"
                 "\"Zero\"=\"x\\0y\"");
    TConfig config;
    config.LoadSection("AreaCode");
    // An expandable string is read as it is stored, not expanded.
    EXPECT_EQ(config.SectionValues(), (Lines{"Cut=A", "Path=%HOME%", "Zero=x"}));
}

TEST_F(ConfigTest, NamesCompareAndSortWithoutRegardToCase) {
    WriteSection("AreaCode", "\"b\"=\"2\"\n\"C\"=\"3\"\n\"a\"=\"1\"");
    TConfig config;
    config.LoadSection("AreaCode");
    EXPECT_EQ(config.SectionValues(), (Lines{"a=1", "b=2", "C=3"}));
    EXPECT_EQ(config.ReadValue("c", "x"), "3");
    config.WriteValue("B", "20");
    config.WriteValue("Ab", "4");
    EXPECT_EQ(config.SectionValues(), (Lines{"a=1", "Ab=4", "B=20", "C=3"}));
}

TEST_F(ConfigTest, ANameEndsAtItsFirstEqualsSign) {
    TConfig config;
    config.LoadSection("AreaCode");
    config.WriteValue("a=b", "c");
    EXPECT_EQ(config.SectionValues(), Lines{"a=b=c"});
    EXPECT_EQ(config.ReadValue("a", "d"), "b=c");
    config.SaveSection("AreaCode");

    TConfig next;
    next.LoadSection("AreaCode");
    EXPECT_EQ(next.SectionValues(), Lines{"a=b=c"});
}

TEST_F(ConfigTest, ASecondLineOfTheSameNameSavesTheFirstLinesText) {
    TConfig config;
    config.LoadSection("AreaCode");
    config.WriteValue("a", "x");
    config.WriteValue("a=b", "c");  // does not replace "a=x": no line is named "a=b"
    EXPECT_EQ(config.SectionValues(), (Lines{"a=b=c", "a=x"}));
    config.SaveSection("AreaCode");
    TConfig next;
    next.LoadSection("AreaCode");
    EXPECT_EQ(next.ReadValue("a", ""), "b=c");
}

TEST_F(ConfigTest, SavingWritesUnderTheGivenSectionAndDeletesNothing) {
    WriteSection("AreaCode", "\"Keep\"=\"\"\n\"ShowHint\"=\"FALSE\"");
    TConfig config;
    config.LoadSection("AreaCode");
    config.WriteValue("New", "1");
    config.SaveSection("Other");
    config.SaveSection("AreaCode");

    TRegistry registry = TRegistry::CurrentUser();
    const TRegKey root = registry.OpenRoot();
    EXPECT_EQ(root.OpenKey("Software\\Quolt\\Other")->ValueNames(), (Lines{"New", "ShowHint"}));
    const std::optional<TRegKey> areaCode = root.OpenKey("Software\\Quolt\\AreaCode");
    EXPECT_EQ(areaCode->ValueNames(), (Lines{"Keep", "ShowHint", "New"}));
    EXPECT_EQ(areaCode->QueryValue("Keep"), TRegValue::String(""));
}

TEST_F(ConfigTest, ALoadDiscardsTheValuesInMemory) {
    WriteSection("A", "\"x\"=\"1\"");
    TConfig config;
    config.LoadSection("A");
    config.WriteValue("y", "2");
    config.LoadSection("Missing");
    EXPECT_TRUE(config.SectionValues().empty());
    EXPECT_FALSE(TRegistry::CurrentUser().OpenRoot().OpenKey("Software\\Quolt\\Missing"));
}

TEST_F(ConfigTest, ARootKeyThatCannotBeOpenedFallsBackToTheHive) {
    WriteHive(std::string(kHeader) + "[AreaCode]\n\"ShowHint\"=\"FALSE\"\n");
    TConfig config;
    config.SetRootKey("Software\\\\Quolt");  // an empty key name: neither opened nor created
    EXPECT_EQ(config.RootKey(), "Software\\\\Quolt");
    config.LoadSection("AreaCode");
    EXPECT_FALSE(config.ReadBool("ShowHint", true));
    config.WriteValue("New", "1");
    config.SaveSection("AreaCode");
    EXPECT_EQ(ReadHive(), std::string(kHeader) + "[AreaCode]\n\"ShowHint\"=\"FALSE\"\n\"New\"=\"1\"\n");
}

// Every write fails: the disk is full.
class TFullDiskEnv : public testing::TForwardingEnv {
public:
    int NewWritableFile(const std::string&, std::unique_ptr<TWritableFile>&) override { return ENOSPC; }
};

TEST_F(ConfigTest, WhenNoKeyCanBeCreatedTheLoadIsEmptyAndTheSaveFails) {
    TFullDiskEnv env;
    TConfig config(TRegistry::CurrentUser(env));
    EXPECT_TRUE(config.LoadSection("AreaCode"));
    EXPECT_TRUE(config.ReadBool("ShowHint", true));
    EXPECT_EQ(ErrorOf([&] { config.SaveSection("AreaCode"); }),
              "Erzeugung von Schlüssel AreaCode misslungen");
    EXPECT_FALSE(Exists(HivePath()));
}

TEST_F(ConfigTest, TheProgramHasOneInstance) {
    TConfig& config = Config();
    EXPECT_EQ(&config, &Config());
    EXPECT_EQ(config.RootKey(), "Software\\Quolt");
    EXPECT_FALSE(config.SectionLoaded());
}

TEST(IIf, GivesACopyOfTheChosenVariant) {
    const TVariant text = std::string("TRUE");
    EXPECT_EQ(IIf(true, text, false), text);
    EXPECT_EQ(IIf(false, text, false), TVariant(false));
    EXPECT_EQ(IIf(false, text, TVariant()), TVariant());
    // Text stays text (a character pointer must not turn into a boolean).
    EXPECT_EQ(std::get<std::string>(IIf(true, "TRUE", "FALSE")), "TRUE");
}

}  // namespace
}  // namespace settings
