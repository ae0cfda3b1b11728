#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "settings/UserCollator.h"
#include "settings/registry/Registry.h"

namespace settings {

// The program's settings: named text values of one section at a time, loaded from a key of the current
// user's hive into memory, read and changed there, and written back as a whole. Booleans are stored as the
// words "TRUE" and "FALSE". Errors are raised as ESettingsError. Not safe for concurrent use.
class TConfig {
public:
    explicit TConfig(TRegistry registry = TRegistry::CurrentUser());

    // The key path below the hive under which the sections live.
    void SetRootKey(std::string_view path);
    // Replaces the values in memory with those of the section, the subkey of that name below the root key
    // (none when it does not exist); the root key is created when missing. A value whose type is not text
    // raises "Ungültiger Datentyp für '<name>'". Returns true.
    bool LoadSection(std::string_view section);
    // Writes every value in memory to the section's subkey, whatever section was loaded; values the subkey
    // holds besides stay. False (and nothing written) when no section was loaded.
    bool SaveSection(std::string_view section);
    // False when no section was loaded.
    bool WriteValue(std::string_view name, std::string_view value);
    // A missing value is stored with the default; empty when no section was loaded.
    std::string ReadValue(std::string_view name, std::string_view defaultValue);
    bool WriteBool(std::string_view name, bool flag);
    bool ReadBool(std::string_view name, bool defaultValue);

    const std::string& RootKey() const { return rootKey_; }
    // One line per value: its name, "=", its text; sorted without regard to case once loaded.
    const std::vector<std::string>& SectionValues() const { return sectionValues_; }
    // Set by the first successful load, never reset.
    bool SectionLoaded() const { return sectionLoaded_; }

private:
    TRegKey OpenRootKey();
    std::optional<size_t> IndexOfName(std::string_view name) const;
    void StoreLoadedValue(const std::string& name, const std::string& text);
    // Lines sort without regard to case in the user's locale.
    auto LineOrder() const {
        return [this](std::string_view a, std::string_view b) { return collator_.Compare(a, b) < 0; };
    }

    TRegistry registry_;
    TUserCollator collator_;
    std::string rootKey_ = "Software\\Quolt";
    std::vector<std::string> sectionValues_;
    // Off while a load fills the list, and after a load that failed.
    bool sorted_ = false;
    bool sectionLoaded_ = false;
};

// The program's one instance, created on first use.
TConfig& Config();

}  // namespace settings
