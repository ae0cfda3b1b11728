#pragma once

#include "tools/Command.h"

namespace kartei::tools {

// `kartei dump TABLE [--index NAME] [--range VALUE | --from VALUE --to VALUE]`: the records as CSV, in the
// order of an index or in record order.
class TDumpCommand final : public TCommand {
public:
    TDumpCommand();

protected:
    int Execute(const TParsedArguments& arguments, std::ostream& out, std::ostream& err) override;
};

}  // namespace kartei::tools
