#include "dataset/table/MoveCursor.h"

#include <array>

#include "engine/cursor/DataCursor.h"
#include "engine/errors/ErrorContext.h"
#include "engine/format/RecordLayout.h"
#include "engine/keys/KeyBuilder.h"
#include "engine/table/DataTable.h"
#include "kartei/ErrorCodes.h"

namespace kartei {

void MoveCursorOntoRecord(TDataCursor& cursor, std::span<const uint8_t> record) {
    // A bookmark is the record's full key in index order and its number in natural order.
    std::array<uint8_t, kKeyBufferSize> bookmark{};
    if (cursor.NaturalOrder()) {
        WriteI32(bookmark.data(), RecordLink(record));
    } else {
        BuildKey(cursor.KeyLayout(), record.data(), bookmark.data());
    }
    if (!cursor.GoToBookmark({bookmark.data(), cursor.BookmarkSize()})) {
        RaiseKarteiError(ErrorCode::RecordNotFound, cursor.Table().Name());
    }
}

}  // namespace kartei
