#pragma once

#include "tools/Command.h"

namespace kartei::tools {

// `kartei insert TABLE CSV`: adds the records of a CSV file to a table, all or none.
class TInsertCommand final : public TCommand {
public:
    TInsertCommand();

protected:
    int Execute(const TParsedArguments& arguments, std::ostream& out, std::ostream& err) override;
};

}  // namespace kartei::tools
