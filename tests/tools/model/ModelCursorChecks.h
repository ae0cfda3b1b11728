#pragma once

#include <random>
#include <span>
#include <string>
#include <vector>

#include "engine/cursor/DataCursor.h"
#include "tools/model/ModelTable.h"

namespace kartei::tools::model {

// Checks of one cursor's view against the records the model expects in it, in order. Each raises a
// TModelFailure that names `where` (the index, the range) and the first disagreement.

// A record a cursor handed out is the model's record, byte for byte.
void ExpectRecord(const TModelTable& model, std::span<const uint8_t> image, const TModelRecord& expected,
                  const std::string& where);

// First and GetNext to the end, with the ordinal at every step; Last and GetPrior to the beginning; First and
// screenfuls of GetNextRecords.
void ExpectWalks(TDataCursorImpl& cursor, const TModelTable& model,
                 const std::vector<const TModelRecord*>& expected, std::mt19937& random,
                 const std::string& where);

// RecordCount; GoToOrdinal at both ends, just beyond them and in between; MoveBy from there, past either end
// too; a bookmark taken and gone back to.
void ExpectPositions(TDataCursorImpl& cursor, const TModelTable& model,
                     const std::vector<const TModelRecord*>& expected, std::mt19937& random,
                     const std::string& where);

}  // namespace kartei::tools::model
