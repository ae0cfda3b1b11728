#pragma once

#include "tools/Command.h"

namespace kartei::tools {

// `kartei repair TABLE`: rebuilds the index file from the data file, keeping the damaged one as a backup.
// The definitions of the indexes are taken over from the damaged file's header when they are still sound,
// so secondary indexes survive; otherwise only the record order is rebuilt. Afterwards the whole table is
// checked as by `kartei verify`.
class TRepairCommand final : public TCommand {
public:
    TRepairCommand();

protected:
    int Execute(const TParsedArguments& arguments, std::ostream& out, std::ostream& err) override;
};

}  // namespace kartei::tools
