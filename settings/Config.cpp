#include "settings/Config.h"

#include <algorithm>

#include "settings/IIf.h"
#include "settings/SettingsError.h"

namespace settings {
namespace {

constexpr std::string_view kInvalidDataType = "Ungültiger Datentyp für '%s'";
constexpr std::string_view kCreateKeyFailed = "Erzeugung von Schlüssel %s misslungen";
constexpr std::string_view kSetDataFailed = "Konnte Daten für '%s' nicht setzen";

// A line's name ends at its first "=".
std::string_view NameOf(std::string_view line) {
    return line.substr(0, line.find('='));
}

std::string_view ValueOf(std::string_view line) {
    const size_t equals = line.find('=');
    return equals == std::string_view::npos ? std::string_view{} : line.substr(equals + 1);
}

std::string MakeLine(std::string_view name, std::string_view value) {
    std::string line(name);
    line += '=';
    line += value;
    return line;
}

std::string BoolText(bool flag) {
    return std::get<std::string>(IIf(flag, std::string("TRUE"), std::string("FALSE")));
}

// The value's text: empty for a value without data, whatever its type; else it must be text, which ends at
// its first zero byte.
std::string ReadText(const TRegKey& key, const std::string& name) {
    const std::optional<TRegValue> value = key.QueryValue(name);
    if (!value || value->Data.empty()) {
        return {};
    }
    if (!IsRegStringType(value->Type)) {
        throw ESettingsError(FormatSettingsMessage(kInvalidDataType, name));
    }
    return value->Data.substr(0, value->Data.find('\0'));
}

}  // namespace

TConfig::TConfig(TRegistry registry) : registry_(std::move(registry)) {}

void TConfig::SetRootKey(std::string_view path) {
    rootKey_ = path;
}

bool TConfig::LoadSection(std::string_view section) {
    sectionValues_.clear();
    sorted_ = false;
    const TRegKey root = OpenRootKey();
    if (const std::optional<TRegKey> key = root.OpenKey(section)) {
        for (const std::string& name : key->ValueNames()) {
            StoreLoadedValue(name, ReadText(*key, name));
        }
    }
    std::sort(sectionValues_.begin(), sectionValues_.end(), LineOrder());
    sorted_ = true;
    sectionLoaded_ = true;
    return true;
}

bool TConfig::SaveSection(std::string_view section) {
    if (!sectionLoaded_) {
        return false;
    }
    const TRegKey root = OpenRootKey();
    for (const std::string& line : sectionValues_) {
        const std::string_view name = NameOf(line);
        // The first line of that name gives the text (two lines share a name only when a name written held
        // "=").
        const std::string_view text = ValueOf(sectionValues_[*IndexOfName(name)]);
        std::optional<TRegKey> key;
        if (root.CreateKey(section, key) != 0) {
            throw ESettingsError(FormatSettingsMessage(kCreateKeyFailed, section));
        }
        if (key->SetValue(name, TRegValue::String(text)) != 0) {
            throw ESettingsError(FormatSettingsMessage(kSetDataFailed, name));
        }
    }
    return true;
}

bool TConfig::WriteValue(std::string_view name, std::string_view value) {
    if (!sectionLoaded_) {
        return false;
    }
    if (const std::optional<size_t> index = IndexOfName(name)) {
        sectionValues_.erase(sectionValues_.begin() + static_cast<ptrdiff_t>(*index));
    }
    std::string line = MakeLine(name, value);
    const auto place = sorted_
                           ? std::lower_bound(sectionValues_.begin(), sectionValues_.end(), line, LineOrder())
                           : sectionValues_.end();
    sectionValues_.insert(place, std::move(line));
    return true;
}

std::string TConfig::ReadValue(std::string_view name, std::string_view defaultValue) {
    if (!sectionLoaded_) {
        return {};
    }
    if (const std::optional<size_t> index = IndexOfName(name)) {
        return std::string(ValueOf(sectionValues_[*index]));
    }
    WriteValue(name, defaultValue);
    return std::string(defaultValue);
}

bool TConfig::WriteBool(std::string_view name, bool flag) {
    return WriteValue(name, BoolText(flag));
}

bool TConfig::ReadBool(std::string_view name, bool defaultValue) {
    std::string text = ReadValue(name, BoolText(defaultValue));
    for (char& c : text) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    const auto isBlankOrControl = [](char c) { return static_cast<unsigned char>(c) <= 32; };
    const auto first = std::find_if_not(text.begin(), text.end(), isBlankOrControl);
    const auto last = std::find_if_not(text.rbegin(), text.rend(), isBlankOrControl).base();
    return first < last && std::string_view(&*first, static_cast<size_t>(last - first)) == "TRUE";
}

// The root key, created when missing; when it can be neither opened nor created, the hive's root.
TRegKey TConfig::OpenRootKey() {
    TRegKey hive = registry_.OpenRoot();
    std::optional<TRegKey> root;
    if (hive.CreateKey(rootKey_, root) != 0) {
        return hive;
    }
    return *root;
}

std::optional<size_t> TConfig::IndexOfName(std::string_view name) const {
    for (size_t i = 0; i < sectionValues_.size(); ++i) {
        if (collator_.Compare(NameOf(sectionValues_[i]), name) == 0) {
            return i;
        }
    }
    return std::nullopt;
}

// As a load stores a value: replaces the line of that name, or appends one; an empty text removes it.
void TConfig::StoreLoadedValue(const std::string& name, const std::string& text) {
    const std::optional<size_t> index = IndexOfName(name);
    if (text.empty()) {
        if (index) {
            sectionValues_.erase(sectionValues_.begin() + static_cast<ptrdiff_t>(*index));
        }
    } else if (index) {
        sectionValues_[*index] = MakeLine(name, text);
    } else {
        sectionValues_.push_back(MakeLine(name, text));
    }
}

TConfig& Config() {
    static TConfig config;
    return config;
}

}  // namespace settings
