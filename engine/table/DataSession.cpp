#include "kartei/Session.h"

#include <unicode/uloc.h>

#include <algorithm>

#include "base/TextHelpers.h"
#include "engine/table/DataDirectory.h"
#include "engine/table/DirectoryPath.h"
#include "kartei/ErrorCodes.h"

namespace kartei {

uint16_t UserDefaultLanguageId() {
    // The locale id's low word is the language; the sort id above it is not the user's choice of order.
    return static_cast<uint16_t>(uloc_getLCID(uloc_getDefault()) & 0xFFFFu);
}

TDataSession::TDataSession()
    : currentDirectory_(CurrentDirectoryPath()), languageId_(UserDefaultLanguageId()) {}

// Directories close their tables as they go, last opened first.
TDataSession::~TDataSession() {
    while (!directories_.empty()) {
        directories_.pop_back();
    }
}

void TDataSession::SetPrivateDirectory(std::string_view directory) {
    const std::string_view trimmed = TrimBlanks(directory);
    privateDirectory_ = trimmed.empty() ? std::string() : NormalizeDirectoryPath(trimmed, currentDirectory_);
}

void TDataSession::SetForceBufferFlush(bool force) {
    forceBufferFlush_ = force;
    SettingsChanged();
}

void TDataSession::SettingsChanged() {
    for (const std::unique_ptr<TDataDirectory>& directory : directories_) {
        Inside(*directory).SettingsChanged();
    }
}

void TDataSession::AddPassword(std::string_view password) {
    const std::string_view kept = password.substr(0, kMaxPasswordLength);
    if (!kept.empty() && !HasPassword(kept)) {
        passwords_.emplace_back(kept);
    }
}

void TDataSession::RemovePassword(std::string_view password) {
    std::erase(passwords_, password);
}

bool TDataSession::HasPassword(std::string_view password) const {
    return std::find(passwords_.begin(), passwords_.end(), password) != passwords_.end();
}

bool TDataSession::AskForPassword() {
    return passwordCallback_ && passwordCallback_();
}

TDataDirectory& TDataSession::OpenDirectory(std::string_view directory) {
    const bool inMemory = IsMemoryDirectory(directory);
    std::string path = inMemory ? std::string() : NormalizeDirectoryPath(directory, currentDirectory_);
    std::string identity = inMemory ? std::string() : DirectoryIdentity(path);
    for (const std::unique_ptr<TDataDirectory>& open : directories_) {
        TDataDirectoryImpl& inside = Inside(*open);
        // File names are case-sensitive here: only the same canonical path is the same directory.
        if (inside.InMemory() == inMemory && inside.Identity() == identity) {
            inside.AddReference();
            return inside;
        }
    }
    directories_.push_back(std::make_unique<TDataDirectoryImpl>(
        *this, std::string(directory), std::move(path), std::move(identity), inMemory));
    return *directories_.back();
}

int TDataSession::CloseDirectory(TDataDirectory* directory) {
    const auto it =
        std::find_if(directories_.begin(), directories_.end(),
                     [&](const std::unique_ptr<TDataDirectory>& open) { return open.get() == directory; });
    if (it == directories_.end()) {
        return -static_cast<int>(ErrorCode::AccessDenied);
    }
    if (Inside(**it).ReleaseReference() == 0) {
        directories_.erase(it);
    }
    return 0;
}

}  // namespace kartei
