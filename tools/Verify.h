#pragma once

#include "tools/Command.h"

namespace kartei::tools {

// `kartei verify TABLE`: every check of the table's files (TableCheck.h); exit status 1 when any fails.
class TVerifyCommand final : public TCommand {
public:
    TVerifyCommand();

protected:
    int Execute(const TParsedArguments& arguments, std::ostream& out, std::ostream& err) override;
};

}  // namespace kartei::tools
