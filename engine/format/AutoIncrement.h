#pragma once

#include <algorithm>
#include <cstdint>
#include <limits>

#include "engine/format/DataHeader.h"

namespace kartei {

// The value after `last` in the engine's counters: after 2147483647 they start again at 1.
constexpr int32_t NextSequenceValue(int32_t last) {
    return last == std::numeric_limits<int32_t>::max() ? 1 : last + 1;
}

// Every new record gets the next auto-increment value (bytes 5..8), whether or not the table has an
// auto-increment field.
inline int32_t TakeAutoIncValue(TDataHeader& header) {
    header.LastAutoIncValue = NextSequenceValue(header.LastAutoIncValue);
    return header.LastAutoIncValue;
}

// A record stored with an explicit auto-increment value: later values continue above it.
inline void NoteExplicitAutoIncValue(TDataHeader& header, int32_t storedValue) {
    header.LastAutoIncValue = std::max(NextSequenceValue(header.LastAutoIncValue), storedValue);
}

// Each changed blob is stored with the next blob sequence number.
inline int32_t TakeBlobSequenceNumber(TDataHeader& header) {
    header.LastBlobSequence = NextSequenceValue(header.LastBlobSequence);
    return header.LastBlobSequence;
}

}  // namespace kartei
