#pragma once

#include "tools/Command.h"

namespace kartei::tools {

// `kartei import CSV TABLE --field DEF...`: creates a table from a CSV file, with fields and indexes given
// on the command line (FieldSyntax.h).
class TImportCommand final : public TCommand {
public:
    TImportCommand();

protected:
    int Execute(const TParsedArguments& arguments, std::ostream& out, std::ostream& err) override;
};

}  // namespace kartei::tools
