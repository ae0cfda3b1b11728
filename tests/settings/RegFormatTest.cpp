#include <gtest/gtest.h>

#include <string>

#include "SettingsTestSupport.h"
#include "settings/registry/RegParser.h"
#include "settings/registry/RegValueText.h"

namespace settings {
namespace {

using testing::ErrorOf;

TRegValue Value(uint32_t type, std::string data) {
    return {type, std::move(data)};
}

constexpr std::string_view kRichFile =
    "Windows Registry Editor Version 5.00\n"
    "\n"
    "; kept as it is\n"
    "[Software\\Other]\n"
    "@=\"default\"\n"
    "\"Escapes\"=\"a\\\\b \\\"q\\\" \\n\"\n"
    "  \"Spaced\" = dword:0000002A  \n"
    "\"Long\"=hex(b):01,02,03,04,\\\n"
    "  05,06,07,08\n"
    "\"Umlaut\"=hex(2):e4,00,3d,d8,00,de,00,00\n"
    "\n"
    "[Software\\Quolt\\AreaCode]\n"
    "\"ShowHint\"=\"TRUE\"\n";

TEST(RegFile, SavingWritesBackEveryLineAsItWasRead) {
    EXPECT_EQ(ParseRegDocument(kRichFile, "f").Serialize(), kRichFile);
    std::string crLf;
    for (const char c : kRichFile) {
        crLf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    }
    EXPECT_EQ(ParseRegDocument(crLf, "f").Serialize(), crLf);
}

TEST(RegFile, ReadsEveryValueForm) {
    const TRegDocument document = ParseRegDocument(kRichFile, "f");
    EXPECT_EQ(*document.FindValue("software\\other", ""), TRegValue::String("default"));
    EXPECT_EQ(*document.FindValue("Software\\Other", "escapes"), TRegValue::String("a\\b \"q\" \n"));
    EXPECT_EQ(*document.FindValue("Software\\Other", "Spaced"),
              Value(kRegDword, std::string("\x2a\0\0\0", 4)));
    EXPECT_EQ(*document.FindValue("Software\\Other", "Long"), Value(11, "\x01\x02\x03\x04\x05\x06\x07\x08"));
    // UTF-16LE "ä😀" and its terminator, as UTF-8.
    EXPECT_EQ(*document.FindValue("Software\\Other", "Umlaut"),
              Value(kRegExpandSz, std::string("\xC3\xA4\xF0\x9F\x98\x80\0", 7)));
    EXPECT_EQ(document.ValueNames("Software\\Other"),
              (std::vector<std::string>{"", "Escapes", "Spaced", "Long", "Umlaut"}));
    EXPECT_TRUE(document.KeyExists("SOFTWARE"));
    EXPECT_FALSE(document.KeyExists("Software\\Quo"));
}

TEST(RegFile, WritesEachTypeInItsFormAndReadsItBack) {
    struct Case {
        std::string Name;
        TRegValue Value;
        std::string Line;
    } cases[] = {
        {"a\"b", TRegValue::String("x\\y\nz\r"), "\"a\\\"b\"=\"x\\\\y\\nz\\r\""},
        {"", TRegValue::String(""), "@=\"\""},
        {"n", Value(kRegDword, std::string("\x2a\0\0\x80", 4)), "\"n\"=dword:8000002a"},
        {"b", Value(kRegBinary, "\x01\xff"), "\"b\"=hex:01,ff"},
        {"e", Value(kRegExpandSz, std::string("\xC3\xA4\0", 3)), "\"e\"=hex(2):e4,00,00,00"},
        {"q", Value(0x0b, "\x01\x02"), "\"q\"=hex(b):01,02"},
        {"none", Value(kRegNone, ""), "\"none\"=hex(0):"},
        {"bare", Value(kRegSz, "ab"), "\"bare\"=hex(1):61,00,62,00"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Line);
        EXPECT_EQ(FormatRegValueLine(c.Name, c.Value), c.Line);
        const TRegNamedValue parsed = ParseRegValueLine(c.Line);
        EXPECT_EQ(parsed.Name, c.Name);
        EXPECT_EQ(parsed.Value, c.Value);
    }
}

TEST(RegFile, AFaultNamesTheFileAndItsLine) {
    struct Case {
        std::string Text;
        int Line;
        std::string Reason;
    } cases[] = {
        {"[Software\n", 1, "']' fehlt am Ende der Schlüsselzeile"},
        {"Windows Registry Editor Version 5.00\n\"a\"=\"b\"\n", 2, "Wert vor dem ersten Schlüssel"},
        {"[K]\n\"a\"=\"b\n", 2, "schließendes Anführungszeichen fehlt"},
        {"[K]\n\"a\"=\"x\\q\"\n", 2, "ungültige Escape-Sequenz"},
        {"[K]\n\"a\"=\"x\" y\n", 2, "unerwarteter Text nach dem Wert"},
        {"[K]\n\n\"a\"=hex:01,zz\n", 3, "ungültige Hexadezimaldaten"},
        {"[K]\n\"a\"=hex:01,\n", 2, "ungültige Hexadezimaldaten"},
        {"[K]\n\"a\"=dword:123456789\n", 2, "ungültige dword-Zahl"},
        {"[K]\n\"a\"=hex(x):01\n", 2, "ungültige Typangabe"},
        {"[K]\n\"a\"=qword:1\n", 2, "unbekannter Werttyp"},
        {"[K]\n\"a\"=-\n", 2, "Löscheinträge sind nicht erlaubt"},
        {"[-K]\n", 1, "Löscheinträge sind nicht erlaubt"},
        {"[K\\\\L]\n", 1, "ungültiger Schlüsselname"},
        {"[K]\n[k]\n", 2, "der Schlüssel steht zum zweiten Mal in der Datei"},
        {"[K]\n\"a\"=\"1\"\n\"A\"=\"2\"\n", 3, "der Wert steht zum zweiten Mal im Schlüssel"},
        {"[K]\n\"a\"=hex:01,\\\n", 2, "die Fortsetzungszeile fehlt"},
        {"[K]\n\"a\"=hex:01,\\\n  02\nhello\n", 4, "unverständliche Zeile"},
        {"[K]\nWindows Registry Editor Version 5.00\n", 2, "unverständliche Zeile"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Text);
        EXPECT_EQ(ErrorOf([&] { ParseRegDocument(c.Text, "/x/registry.reg"); }),
                  "Fehler in der Einstellungsdatei '/x/registry.reg', Zeile " + std::to_string(c.Line) +
                      ": " + c.Reason);
    }
}

TEST(RegFile, NewKeysAndValuesGoToTheEndOfTheirPlace) {
    TRegDocument document = ParseRegDocument("[A]\n\"x\"=\"1\"\n; note\n[B]\n\"y\"=\"2\"", "f");
    EXPECT_FALSE(document.CreateKey("a"));
    EXPECT_FALSE(document.CreateKey("B"));
    EXPECT_TRUE(document.SetValue("A", "z", TRegValue::String("3")));
    EXPECT_TRUE(document.SetValue("A", "X", TRegValue::String("4")));
    EXPECT_FALSE(document.SetValue("A", "X", TRegValue::String("4")));
    EXPECT_TRUE(document.CreateKey("C\\D"));
    EXPECT_EQ(document.Serialize(), "[A]\n\"x\"=\"4\"\n\"z\"=\"3\"\n; note\n[B]\n\"y\"=\"2\"\n\n[C\\D]\n\n");
}

}  // namespace
}  // namespace settings
