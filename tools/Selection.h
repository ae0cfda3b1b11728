#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "engine/cursor/DataCursor.h"
#include "tools/Arguments.h"

namespace kartei::tools {

// The records a command works on, as `kartei dump` lists them: the order of an index (--index NAME, else
// the primary index, or record order when that has no fields) and a range on the index's first field
// (--range VALUE, or --from VALUE and/or --to VALUE, both ends inclusive).

// The selection's part of a usage line.
inline constexpr const char* kSelectionUsage = "[--index NAME] [--range VALUE | --from VALUE --to VALUE]";

void AddSelectionOptions(TArgumentParser& parser);
// For commands that change the selected records: the selection's options and --all, which a command that
// changes every record must be given (CheckEditSelection).
void AddEditSelectionOptions(TArgumentParser& parser);

// Whether a range was asked for.
bool HasRange(const TParsedArguments& arguments);
// EToolError (usage) unless the arguments give a range or --all, and not both.
void CheckEditSelection(const TParsedArguments& arguments);

// Selects the index and sets the range on an open cursor. EToolError: bad input for an unknown index or a
// range value that does not fit the field; usage for --range with --from or --to, or a range without an
// index with fields.
void ApplySelection(TDataCursor& cursor, const TParsedArguments& arguments);

// Calls `visit` with every record of the cursor's view, in its order; the cursor stands on the record.
void WalkSelection(TDataCursor& cursor, const std::function<void(std::span<const uint8_t> record)>& visit);
// The record numbers of the cursor's view, in its order.
std::vector<int32_t> SelectedRecordNumbers(TDataCursor& cursor);

}  // namespace kartei::tools
