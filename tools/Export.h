#pragma once

#include "tools/Command.h"

namespace kartei::tools {

// `kartei export TABLE --sqlite FILE`: the table as a new SQLite database (SqliteSchema.h), so that the
// tools people already use for tables can query it.
class TExportCommand final : public TCommand {
public:
    TExportCommand();

protected:
    int Execute(const TParsedArguments& arguments, std::ostream& out, std::ostream& err) override;
};

}  // namespace kartei::tools
