#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "settings/registry/RegValue.h"
#include "settings/registry/RegValueText.h"

namespace settings {

// The registry file as a sequence of lines, so that saving writes back everything it was read from
// unchanged (comments, blank lines, values of any type, the spelling of every line) apart from what was
// changed. A key with a section header "[path]" exists, and so do all keys above it.

// One value with the lines it was read from, or lines kept as they are (blank lines, comments).
struct TRegEntry {
    std::string Text;  // its lines, joined by '\n'
    std::optional<TRegNamedValue> Value;
};

// A key's header line and what follows it up to the next header.
struct TRegSection {
    std::string Path;
    std::string Header;
    std::vector<TRegEntry> Entries;
};

class TRegDocument {
public:
    static constexpr std::string_view kSignature = "Windows Registry Editor Version 5.00";

    // What a new file holds: the signature and a blank line.
    static TRegDocument New();

    // Building in file order.
    void SetCrLf(bool crLf) { crLf_ = crLf; }
    bool HasSection() const { return !sections_.empty(); }
    // Lines kept as they are, after the last section (or before the first one).
    void AppendText(std::string text);
    // False when the key has a section already.
    bool AppendSection(std::string path, std::string header);
    // To the last section; false when the name is taken there.
    bool AppendValue(TRegNamedValue value, std::string text);

    bool KeyExists(std::string_view path) const;
    std::vector<std::string> ValueNames(std::string_view path) const;
    const TRegValue* FindValue(std::string_view path, std::string_view name) const;

    // Adds a section for the key at the end when the key does not exist; true when it was added.
    bool CreateKey(std::string_view path);
    // Sets the value, adding a section for its key when it has none; true when anything changed.
    bool SetValue(std::string_view path, std::string_view name, const TRegValue& value);

    std::string Serialize() const;

private:
    TRegSection& SectionFor(std::string_view path);
    const std::string* LastLine() const;

    std::vector<TRegEntry> prologue_;
    std::vector<TRegSection> sections_;
    bool crLf_ = false;
};

}  // namespace settings
