#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <string>

#include "SettingsTestSupport.h"
#include "settings/Config.h"
#include "settings/registry/HivePath.h"
#include "settings/registry/Registry.h"

namespace settings {
namespace {

using testing::ErrorOf;

// Counts the saves that reach the disk.
class TCountingEnv : public testing::TForwardingEnv {
public:
    int RenameFile(const std::string& from, const std::string& to) override {
        ++Renames;
        return base_.RenameFile(from, to);
    }
    int Renames = 0;
};

class RegistryTest : public testing::TempConfigHomeTest {};

TEST_F(RegistryTest, TheHiveLivesUnderTheConfigHome) {
    EXPECT_EQ(CurrentUserHivePath(), Home() + "/quolt/registry.reg");
    const std::string home = std::getenv("HOME") ? std::getenv("HOME") : "";
    setenv("HOME", "/home/someone", 1);
    setenv("XDG_CONFIG_HOME", "relative/dir", 1);
    EXPECT_EQ(CurrentUserHivePath(), "/home/someone/.config/quolt/registry.reg");
    unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(CurrentUserHivePath(), "/home/someone/.config/quolt/registry.reg");
    setenv("HOME", home.c_str(), 1);
}

TEST_F(RegistryTest, KeyAndValueNamesCompareWithoutRegardToCase) {
    WriteHive("[Software\\Quolt\\AreaCode]\n\"ShowHint\"=\"TRUE\"\n");
    TRegistry registry = TRegistry::CurrentUser();
    const TRegKey root = registry.OpenRoot();
    EXPECT_TRUE(root.OpenKey("SOFTWARE\\quolt"));
    EXPECT_TRUE(root.OpenKey("software"));  // exists as the parent of a key with a section
    EXPECT_FALSE(root.OpenKey("Software\\Quo"));
    EXPECT_FALSE(root.OpenKey("Software\\Quolt\\AreaCode\\Sub"));
    const std::optional<TRegKey> key = root.OpenKey("software")->OpenKey("QUOLT\\areacode");
    ASSERT_TRUE(key);
    EXPECT_EQ(key->QueryValue("SHOWHINT"), TRegValue::String("TRUE"));
    EXPECT_EQ(key->SetValue("showhint", TRegValue::String("FALSE")), 0);
    EXPECT_EQ(ReadHive(), "[Software\\Quolt\\AreaCode]\n\"ShowHint\"=\"FALSE\"\n");
}

TEST_F(RegistryTest, NothingIsWrittenWhenNothingChanges) {
    WriteHive("[Software\\Quolt\\AreaCode]\n\"ShowHint\"=\"TRUE\"\n");
    TCountingEnv env;
    TRegistry registry = TRegistry::CurrentUser(env);
    const TRegKey root = registry.OpenRoot();
    std::optional<TRegKey> key;
    EXPECT_EQ(root.CreateKey("Software", key), 0);
    EXPECT_EQ(root.CreateKey("software\\quolt\\areacode", key), 0);
    EXPECT_EQ(key->SetValue("ShowHint", TRegValue::String("TRUE")), 0);
    EXPECT_EQ(env.Renames, 0);
    EXPECT_EQ(key->SetValue("ShowHint", TRegValue::String("FALSE")), 0);
    EXPECT_EQ(env.Renames, 1);
}

TEST_F(RegistryTest, PathsTheFileCannotHoldAreRefused) {
    TRegistry registry = TRegistry::CurrentUser();
    const TRegKey root = registry.OpenRoot();
    std::optional<TRegKey> key;
    for (const char* path : {"\\Software", "Software\\", "a\\\\b", "a\nb"}) {
        SCOPED_TRACE(path);
        EXPECT_EQ(root.CreateKey(path, key), EINVAL);
        EXPECT_FALSE(root.OpenKey(path));
    }
    EXPECT_EQ(root.SetValue("x", TRegValue::String("1")), EINVAL);
    EXPECT_FALSE(key);
    EXPECT_FALSE(Exists(HivePath()));
}

TEST_F(RegistryTest, ValuesOfOtherTypesAndOtherKeysSurviveASave) {
    const std::string other =
        "Windows Registry Editor Version 5.00\n"
        "\n"
        "; written by hand\n"
        "[Software\\Other]\n"
        "\"Big\"=hex(b):01,00,00,00,00,00,00,00\n"
        "\"List\"=hex(7):41,00,00,00,\\\n"
        "  00,00\n"
        "\"Count\"=dword:00000007\n"
        "\n";
    WriteHive(other +
              "[Software\\Quolt\\AreaCode]\n"
              "\"Nothing\"=hex:\n"
              "\"ShowHint\"=\"FALSE\"\n");
    TConfig config;
    config.LoadSection("AreaCode");
    config.WriteBool("ShowHint", true);
    config.SaveSection("AreaCode");
    EXPECT_EQ(ReadHive(), other +
                              "[Software\\Quolt\\AreaCode]\n"
                              "\"Nothing\"=hex:\n"
                              "\"ShowHint\"=\"TRUE\"\n");
}

TEST_F(RegistryTest, ACorruptFileIsReportedAndLeftAsItIs) {
    const std::string corrupt = "[Software\\Quolt\\AreaCode]\n\"ShowHint\"=\"TRUE\"\n\"Broken\"=\"no end\n";
    WriteHive(corrupt);
    const std::string expected =
        "Fehler in der Einstellungsdatei '" + HivePath() + "', Zeile 3: schließendes Anführungszeichen fehlt";
    TConfig config;
    EXPECT_EQ(ErrorOf([&] { config.LoadSection("AreaCode"); }), expected);
    EXPECT_FALSE(config.SaveSection("AreaCode"));

    // Corrupted while a key is open: the write reads the file again and refuses.
    WriteHive("[Software\\Quolt\\AreaCode]\n");
    TRegistry registry = TRegistry::CurrentUser();
    const std::optional<TRegKey> key = registry.OpenRoot().OpenKey("Software\\Quolt\\AreaCode");
    WriteHive(corrupt);
    EXPECT_EQ(ErrorOf([&] { key->SetValue("ShowHint", TRegValue::String("FALSE")); }), expected);
    EXPECT_EQ(ReadHive(), corrupt);
    EXPECT_FALSE(Exists(HivePath() + ".tmp"));
}

// The file exists but cannot be read.
class TUnreadableEnv : public testing::TForwardingEnv {
public:
    int ReadFile(const std::string&, std::string&) override { return EACCES; }
};

TEST_F(RegistryTest, AnUnreadableFileIsReported) {
    WriteHive("[Software\\Quolt]\n");
    TUnreadableEnv env;
    TConfig config(TRegistry::CurrentUser(env));
    EXPECT_EQ(ErrorOf([&] { config.LoadSection("AreaCode"); }),
              "Die Einstellungsdatei '" + HivePath() + "' kann nicht gelesen werden: Permission denied");
}

}  // namespace
}  // namespace settings
