#include "settings/registry/Registry.h"

#include <cerrno>
#include <system_error>

#include "settings/SettingsError.h"
#include "settings/registry/HivePath.h"
#include "settings/registry/RegNames.h"
#include "settings/registry/RegParser.h"

namespace settings {
namespace {

std::string DirectoryOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

std::optional<TRegKey> TRegKey::OpenKey(std::string_view subPath) const {
    if (!subPath.empty() && !IsValidRegKeyPath(subPath)) {
        return std::nullopt;
    }
    std::string path = JoinRegKeyPath(path_, subPath);
    if (!registry_->document_.KeyExists(path)) {
        return std::nullopt;
    }
    return TRegKey(*registry_, std::move(path));
}

int TRegKey::CreateKey(std::string_view subPath, std::optional<TRegKey>& key) const {
    if (!subPath.empty() && !IsValidRegKeyPath(subPath)) {
        return EINVAL;
    }
    std::string path = JoinRegKeyPath(path_, subPath);
    if (!registry_->document_.KeyExists(path)) {
        if (const int error =
                registry_->Change([&path](TRegDocument& document) { return document.CreateKey(path); })) {
            return error;
        }
    }
    key = TRegKey(*registry_, std::move(path));
    return 0;
}

std::vector<std::string> TRegKey::ValueNames() const {
    return registry_->document_.ValueNames(path_);
}

std::optional<TRegValue> TRegKey::QueryValue(std::string_view name) const {
    const TRegValue* value = registry_->document_.FindValue(path_, name);
    return value == nullptr ? std::nullopt : std::optional<TRegValue>(*value);
}

int TRegKey::SetValue(std::string_view name, const TRegValue& value) const {
    if (path_.empty()) {
        return EINVAL;
    }
    return registry_->Change(
        [this, name, &value](TRegDocument& document) { return document.SetValue(path_, name, value); });
}

TRegistry::TRegistry(std::string filePath, TRegistryEnv& env)
    : filePath_(std::move(filePath)),
      directory_(DirectoryOf(filePath_)),
      temporaryPath_(filePath_ + ".tmp"),
      env_(&env),
      document_(TRegDocument::New()) {}

TRegistry TRegistry::CurrentUser(TRegistryEnv& env) {
    return TRegistry(CurrentUserHivePath(), env);
}

TRegKey TRegistry::OpenRoot() {
    document_ = Read();
    return TRegKey(*this, "");
}

TRegDocument TRegistry::Read() const {
    std::string text;
    const int error = env_->ReadFile(filePath_, text);
    if (error != 0 && error != ENOENT) {
        throw ESettingsError("Die Einstellungsdatei '" + filePath_ +
                             "' kann nicht gelesen werden: " + std::generic_category().message(error));
    }
    return text.empty() ? TRegDocument::New() : ParseRegDocument(text, filePath_);
}

int TRegistry::Change(const std::function<bool(TRegDocument&)>& change) {
    if (const int error = env_->CreateDir(directory_)) {
        return error;
    }
    std::unique_ptr<TFileLock> lock;
    if (const int error = env_->LockFile(filePath_ + ".lock", lock)) {
        return error;
    }
    TRegDocument document = Read();
    if (!change(document)) {
        document_ = std::move(document);
        return 0;
    }
    int error = WriteTemporary(document.Serialize());
    if (error == 0) {
        error = env_->RenameFile(temporaryPath_, filePath_);
    }
    if (error != 0) {
        env_->RemoveFile(temporaryPath_);
        return error;
    }
    document_ = std::move(document);
    // The new version is in place; only this makes the rename itself last through a crash.
    return env_->SyncDir(directory_);
}

int TRegistry::WriteTemporary(const std::string& text) {
    std::unique_ptr<TWritableFile> file;
    int error = env_->NewWritableFile(temporaryPath_, file);
    if (error != 0) {
        return error;
    }
    error = file->Append(text);
    if (error == 0) {
        error = file->Sync();
    }
    const int closeError = file->Close();
    return error != 0 ? error : closeError;
}

}  // namespace settings
