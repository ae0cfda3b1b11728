#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "dataset/framework/FlagSet.h"

namespace kartei {

class TDataSet;
class TField;

enum class TDataSetState { dsInactive, dsBrowse, dsEdit, dsInsert, dsSetKey, dsCalcFields, dsFilter };

// What GetRecord reads into a buffer, relative to the cursor, and what it found.
enum class TGetMode { gmCurrent, gmNext, gmPrior };
enum class TGetResult { grOK, grBOF, grEOF, grError };

// Kept with each record buffer: a record read from the cursor, a place before the first or after the
// last record, or a new record not yet posted.
enum class TBookmarkFlag : uint8_t { bfCurrent = 0, bfBOF = 1, bfEOF = 2, bfInserted = 3 };

// A dataset's position, as its bookmark bytes; empty when there is none.
using TBookmark = std::vector<uint8_t>;

// How Resync refills the window: rmExact requires the cursor's record to exist; rmCenter puts it in the
// middle row, otherwise it keeps the row it had.
enum class TResyncOption { rmExact, rmCenter };
using TResyncMode = TFlagSet<TResyncOption>;

// Locate options: bit 0 case-insensitive, bit 1 partial key.
enum class TLocateOption { loCaseInsensitive, loPartialKey };
using TLocateOptions = TFlagSet<TLocateOption>;

// The notifications a dataset sends through its data sources to their links.
enum class TDataEvent {
    deFieldChange,      // a field of the current record was written (Field)
    deRecordChange,     // the current record changed as a whole (Field none) or in one field
    deDataSetChange,    // the window was refilled or rows changed
    deDataSetScroll,    // the current record moved; the window moved Distance records (0: only the row)
    deLayoutChange,     // the fields were replaced
    deUpdateRecord,     // controls are to write their pending values into the fields
    deUpdateState,      // the state changed
    deCheckBrowseMode,  // the dataset is about to leave edit or insert mode
    deFocusControl,     // a control showing *FocusField is to take the focus
};

struct TDataEventInfo {
    TField* Field = nullptr;
    int Distance = 0;
    // deFocusControl: the control that takes the focus clears *FocusField, so no other one does.
    TField** FocusField = nullptr;
};

using TDataSetNotifyEvent = std::function<void(TDataSet& dataSet)>;

}  // namespace kartei
