#pragma once

#include <random>
#include <string>
#include <vector>

#include "engine/cursor/DataCursor.h"
#include "tools/model/ModelOrder.h"
#include "tools/model/ModelTable.h"
#include "tools/model/ModelValues.h"

namespace kartei::tools::model {

// The cursor has `order`'s index selected and `sorted` are the model's records in that order. Keys are given
// as record images of values taken from stored records, from their neighbours or made afresh.

// Ranges with random ends (open, whole keys, leading fields of them): the view is exactly the model's slice,
// in count, walks and positions; cancelling the range gives the whole index back.
void ExpectRanges(TDataCursorImpl& cursor, const TModelTable& model, const TIndexOrder& order,
                  const std::vector<const TModelRecord*>& sorted, const TValueSource& values,
                  std::mt19937& random, const std::string& where);

// FindKey, exact and nearest, for whole keys and for leading fields and leading characters of a string field:
// it reports found as the model does and stands where the model says (an exact search for an absent key
// does not move the cursor).
void ExpectKeySearches(TDataCursorImpl& cursor, const TModelTable& model, const TIndexOrder& order,
                       const std::vector<const TModelRecord*>& sorted, const TValueSource& values,
                       std::mt19937& random, const std::string& where);

}  // namespace kartei::tools::model
