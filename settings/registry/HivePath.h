#pragma once

#include <string>

namespace settings {

// The file holding the current user's hive: $XDG_CONFIG_HOME/quolt/registry.reg, where an unset, empty
// or relative XDG_CONFIG_HOME stands for ~/.config. Throws ESettingsError when no home directory is known.
std::string CurrentUserHivePath();

}  // namespace settings
