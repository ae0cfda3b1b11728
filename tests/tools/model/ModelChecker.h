#pragma once

#include <cstdint>
#include <string>

#include "engine/table/DataDirectory.h"
#include "tools/model/ModelTable.h"

namespace kartei::tools::model {

// Everything the model says of a table, checked through fresh cursors of the directory: in record order and
// in every index, the walks both ways, counts, ordinals and moves; in every index, ranges and key
// searches; the table's record count; and the whole check of `kartei verify`. `seed` draws the positions,
// ranges and keys looked at. Raises a TModelFailure for the first disagreement.
void CheckTableAgainstModel(TDataDirectoryImpl& directory, const std::string& tableName, const TModelTable& model,
                            uint32_t seed);

}  // namespace kartei::tools::model
