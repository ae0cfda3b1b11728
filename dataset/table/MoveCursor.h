#pragma once

#include <cstdint>
#include <span>

namespace kartei {

class TDataCursor;

// Puts a cursor onto the record of a record image read from the same table (its identifier included): in
// index order by the record's key for the cursor's index, in natural order by its record number. Engine
// error 8710 when the cursor's view does not hold that record.
void MoveCursorOntoRecord(TDataCursor& cursor, std::span<const uint8_t> record);

}  // namespace kartei
