#pragma once

#include "tools/Command.h"

namespace kartei::tools {

// `kartei info TABLE`: the header values, the fields and the indexes of a table.
class TInfoCommand final : public TCommand {
public:
    TInfoCommand();

protected:
    int Execute(const TParsedArguments& arguments, std::ostream& out, std::ostream& err) override;
};

}  // namespace kartei::tools
