#pragma once

#include <string>
#include <variant>

namespace settings {

// A tagged value holding nothing, a boolean or a text.
using TVariant = std::variant<std::monostate, bool, std::string>;

}  // namespace settings
