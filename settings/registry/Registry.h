#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "settings/registry/RegDocument.h"
#include "settings/registry/RegValue.h"
#include "settings/registry/RegistryEnv.h"

namespace settings {

class TRegistry;

// An open key of the hive, named by its path. It reads what its registry last read or wrote; it is valid
// while its registry lives.
class TRegKey {
public:
    const std::string& Path() const { return path_; }

    // The key at the path relative to this one (empty: this key), if it exists.
    std::optional<TRegKey> OpenKey(std::string_view subPath) const;
    // The key at the relative path, created first (with any missing key above it) when it does not exist.
    // 0 or an errno value (EINVAL for a path the file cannot hold); key is set on success.
    int CreateKey(std::string_view subPath, std::optional<TRegKey>& key) const;

    // In the order of the file.
    std::vector<std::string> ValueNames() const;
    std::optional<TRegValue> QueryValue(std::string_view name) const;
    // 0 or an errno value; EINVAL at the hive's root, which holds no values.
    int SetValue(std::string_view name, const TRegValue& value) const;

private:
    friend class TRegistry;
    TRegKey(TRegistry& registry, std::string path) : registry_(&registry), path_(std::move(path)) {}

    TRegistry* registry_;
    std::string path_;
};

// The current user's hive, kept in one text file (format in RegParser.h); key and value names compare
// without regard to case.
//
// Reading takes no lock: the file is only ever replaced whole, by rename, so a read sees one complete
// version. A change is saved at once: under an exclusive lock on "<file>.lock" the file is read again, the
// change is applied to what it holds now (so what other processes saved meanwhile is kept) and the result
// is written to "<file>.tmp", forced to disk and renamed over the file, so that a crash or a full disk
// leaves the previous version in place. A file that cannot be read or parsed raises ESettingsError (naming
// the file and line) and is never overwritten.
class TRegistry {
public:
    TRegistry(std::string filePath, TRegistryEnv& env);
    // The hive's file under $XDG_CONFIG_HOME (see CurrentUserHivePath).
    static TRegistry CurrentUser(TRegistryEnv& env = TRegistryEnv::Default());

    const std::string& FilePath() const { return filePath_; }

    // Reads the file again and opens the hive's root key.
    TRegKey OpenRoot();

private:
    friend class TRegKey;

    TRegDocument Read() const;
    // Saves the change (false from it: nothing changed, nothing to write). 0 or an errno value.
    int Change(const std::function<bool(TRegDocument&)>& change);
    int WriteTemporary(const std::string& text);

    std::string filePath_;
    std::string directory_;
    std::string temporaryPath_;
    TRegistryEnv* env_;
    TRegDocument document_;
};

}  // namespace settings
