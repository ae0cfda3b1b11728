#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace settings {

// Every failure of the settings store; the message is the text the user sees.
class ESettingsError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The pattern with its "%s" replaced by the argument.
std::string FormatSettingsMessage(std::string_view pattern, std::string_view argument);

}  // namespace settings
