#pragma once

#include <iosfwd>
#include <span>
#include <string>

namespace kartei::tools {

// The whole tool: the subcommand named by the first argument runs with the others. Without arguments, or
// with an unknown subcommand, the usage goes to `err` (exit status 2); "--help" lists the subcommands.
int RunKartei(std::span<const std::string> arguments, std::ostream& out, std::ostream& err);

}  // namespace kartei::tools
