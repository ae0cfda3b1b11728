#include "settings/SettingsError.h"

namespace settings {

std::string FormatSettingsMessage(std::string_view pattern, std::string_view argument) {
    std::string text(pattern);
    const size_t at = text.find("%s");
    if (at != std::string::npos) {
        text.replace(at, 2, argument);
    }
    return text;
}

}  // namespace settings
