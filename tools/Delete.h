#pragma once

#include "tools/Command.h"

namespace kartei::tools {

// `kartei delete TABLE [--index NAME] [--range VALUE | --from VALUE --to VALUE | --all]`: deletes the
// records `kartei dump` lists with the same selection, all or none.
class TDeleteCommand final : public TCommand {
public:
    TDeleteCommand();

protected:
    int Execute(const TParsedArguments& arguments, std::ostream& out, std::ostream& err) override;
};

}  // namespace kartei::tools
