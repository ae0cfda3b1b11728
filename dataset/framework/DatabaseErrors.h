#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

namespace kartei {

class TComponent;

// The pattern with each "%s" replaced by the next argument, in order.
std::string FormatMessage(std::string_view pattern, std::initializer_list<std::string_view> args);

// "name: message" ("%s: %s") when the name is not empty, else the message alone.
std::string ComponentMessage(std::string_view componentName, std::string_view message);

// Raise EDatabaseError with the message as it is.
[[noreturn]] void RaiseDatabaseError(std::string_view message);

// Raise EDatabaseError on behalf of a named component (a dataset, a data source, a control).
[[noreturn]] void RaiseComponentError(std::string_view componentName, std::string_view message);
[[noreturn]] void RaiseComponentError(const TComponent& component, std::string_view message);

}  // namespace kartei
