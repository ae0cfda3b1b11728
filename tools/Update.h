#pragma once

#include "tools/Command.h"

namespace kartei::tools {

// `kartei update TABLE [selection] --set FIELD=VALUE ...`: changes fields of the records `kartei dump` lists
// with the same selection, all or none.
class TUpdateCommand final : public TCommand {
public:
    TUpdateCommand();

protected:
    int Execute(const TParsedArguments& arguments, std::ostream& out, std::ostream& err) override;
};

}  // namespace kartei::tools
