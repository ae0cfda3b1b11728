#include "settings/registry/RegDocument.h"

#include <algorithm>

#include "settings/registry/RegNames.h"

namespace settings {
namespace {

bool IsBlankLine(std::string_view text) {
    return text.find_first_not_of(" \t") == std::string_view::npos;
}

// For const and non-const sections alike.
template <typename Sections>
auto FindSection(Sections& sections, std::string_view path) -> decltype(&sections.front()) {
    for (auto& section : sections) {
        if (RegNamesEqual(section.Path, path)) {
            return &section;
        }
    }
    return nullptr;
}

template <typename Section>
auto FindEntry(Section& section, std::string_view name) -> decltype(&section.Entries.front()) {
    for (auto& entry : section.Entries) {
        if (entry.Value && RegNamesEqual(entry.Value->Name, name)) {
            return &entry;
        }
    }
    return nullptr;
}

}  // namespace

TRegDocument TRegDocument::New() {
    TRegDocument document;
    document.AppendText(std::string(kSignature));
    document.AppendText("");
    return document;
}

void TRegDocument::AppendText(std::string text) {
    (sections_.empty() ? prologue_ : sections_.back().Entries).push_back({std::move(text), std::nullopt});
}

bool TRegDocument::AppendSection(std::string path, std::string header) {
    if (FindSection(sections_, path) != nullptr) {
        return false;
    }
    sections_.push_back({std::move(path), std::move(header), {}});
    return true;
}

bool TRegDocument::AppendValue(TRegNamedValue value, std::string text) {
    TRegSection& section = sections_.back();
    if (FindEntry(section, value.Name) != nullptr) {
        return false;
    }
    section.Entries.push_back({std::move(text), std::move(value)});
    return true;
}

bool TRegDocument::KeyExists(std::string_view path) const {
    return path.empty() ||
           std::any_of(sections_.begin(), sections_.end(), [path](const TRegSection& section) {
               return RegNamesEqual(section.Path, path) || RegPathIsBelow(section.Path, path);
           });
}

std::vector<std::string> TRegDocument::ValueNames(std::string_view path) const {
    std::vector<std::string> names;
    if (const TRegSection* section = FindSection(sections_, path)) {
        for (const TRegEntry& entry : section->Entries) {
            if (entry.Value) {
                names.push_back(entry.Value->Name);
            }
        }
    }
    return names;
}

const TRegValue* TRegDocument::FindValue(std::string_view path, std::string_view name) const {
    const TRegSection* section = FindSection(sections_, path);
    const TRegEntry* entry = section == nullptr ? nullptr : FindEntry(*section, name);
    return entry == nullptr ? nullptr : &entry->Value->Value;
}

bool TRegDocument::CreateKey(std::string_view path) {
    if (KeyExists(path)) {
        return false;
    }
    SectionFor(path);
    return true;
}

bool TRegDocument::SetValue(std::string_view path, std::string_view name, const TRegValue& value) {
    const bool added = FindSection(sections_, path) == nullptr;
    TRegSection& section = SectionFor(path);
    if (TRegEntry* entry = FindEntry(section, name)) {
        if (entry->Value->Value == value) {
            return added;
        }
        // The name keeps the spelling it has in the file.
        entry->Value->Value = value;
        entry->Text = FormatRegValueLine(entry->Value->Name, value);
        return true;
    }
    // After the key's last value, before the blank lines and comments that follow it.
    auto lastValue = std::find_if(section.Entries.rbegin(), section.Entries.rend(),
                                  [](const TRegEntry& entry) { return entry.Value.has_value(); });
    section.Entries.insert(lastValue.base(),
                           {FormatRegValueLine(name, value), TRegNamedValue{std::string(name), value}});
    return true;
}

std::string TRegDocument::Serialize() const {
    const std::string_view lineEnd = crLf_ ? "\r\n" : "\n";
    std::string text;
    const auto put = [&text, lineEnd](std::string_view lines) {
        for (size_t start = 0;;) {
            const size_t end = lines.find('\n', start);
            text += lines.substr(start, end - start);
            text += lineEnd;
            if (end == std::string_view::npos) {
                return;
            }
            start = end + 1;
        }
    };
    for (const TRegEntry& entry : prologue_) {
        put(entry.Text);
    }
    for (const TRegSection& section : sections_) {
        put(section.Header);
        for (const TRegEntry& entry : section.Entries) {
            put(entry.Text);
        }
    }
    return text;
}

TRegSection& TRegDocument::SectionFor(std::string_view path) {
    if (TRegSection* section = FindSection(sections_, path)) {
        return *section;
    }
    // Sections are set apart by a blank line; a new one ends with one, as the signature does.
    if (const std::string* last = LastLine(); last != nullptr && !IsBlankLine(*last)) {
        AppendText("");
    }
    sections_.push_back({std::string(path), "[" + std::string(path) + "]", {}});
    AppendText("");
    return sections_.back();
}

const std::string* TRegDocument::LastLine() const {
    if (sections_.empty()) {
        return prologue_.empty() ? nullptr : &prologue_.back().Text;
    }
    const TRegSection& section = sections_.back();
    return section.Entries.empty() ? &section.Header : &section.Entries.back().Text;
}

}  // namespace settings
