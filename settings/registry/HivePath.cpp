#include "settings/registry/HivePath.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

#include "settings/SettingsError.h"

namespace settings {
namespace {

bool IsAbsolute(const char* path) {
    return path != nullptr && path[0] == '/';
}

std::string HomeDirectory() {
    if (const char* home = std::getenv("HOME"); IsAbsolute(home)) {
        return home;
    }
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr &&
        IsAbsolute(found->pw_dir)) {
        return found->pw_dir;
    }
    throw ESettingsError("Kein Verzeichnis für die Einstellungen: das Benutzerverzeichnis ist unbekannt");
}

}  // namespace

std::string CurrentUserHivePath() {
    const char* configHome = std::getenv("XDG_CONFIG_HOME");
    const std::string directory =
        IsAbsolute(configHome) ? std::string(configHome) : HomeDirectory() + "/.config";
    return directory + "/quolt/registry.reg";
}

}  // namespace settings
