#pragma once

#include "tools/Command.h"

namespace kartei::tools {

// `kartei shipped CSV DIR`: builds the program's two tables, DIR/City.DAT and DIR/AreaCode.DAT with their
// index files, from the dialling-code list (columns `areacode` and `city`). Places are numbered in the
// order of the City index (German phone-book order), so City's record order is alphabetical.
class TShippedCommand final : public TCommand {
public:
    TShippedCommand();

protected:
    int Execute(const TParsedArguments& arguments, std::ostream& out, std::ostream& err) override;
};

}  // namespace kartei::tools
