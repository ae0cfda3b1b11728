#include "engine/keys/KeyPadding.h"

#include <algorithm>
#include <cstring>

namespace kartei {
namespace {

// No locale, or the deleted-record index: keys compare as plain bytes.
bool IsByteOrdered(const TKeyLayout& layout) {
    return layout.Locale.LanguageId == 0 || layout.DeletedRecordIndex;
}

uint8_t EdgeByte(bool high) {
    return high ? 0xFF : 0x00;
}

// Whether a field's part of a low (high) key takes the high fill. With a locale, a descending field of an
// ascending index is stored as it is and compared reversed, so its byte-highest image sorts lowest.
bool FillsHigh(const TKeyLayout& layout, const TKeyField& field, bool high) {
    return high != (field.Descending && !layout.Descending);
}

uint8_t FillByte(const TKeyLayout& layout, const TKeyField& field, bool fillsHigh) {
    if (field.Type == FieldType::String) {
        return fillsHigh ? layout.Locale.HighChar : layout.Locale.LowChar;
    }
    return EdgeByte(fillsHigh);
}

void Fill(uint8_t* key, size_t from, size_t to, uint8_t value) {
    if (from < to) {
        std::memset(key + from, value, to - from);
    }
}

void PadKey(const TKeyLayout& layout, uint8_t* key, size_t used, bool high) {
    if (IsByteOrdered(layout)) {
        Fill(key, used, layout.KeyLength, EdgeByte(high));
        return;
    }
    size_t offset = 0;
    for (size_t k = 0; k < layout.FieldCount; ++k) {
        const TKeyField& field = layout.Fields[k];
        const size_t end = offset + field.DataWidth + 1u;
        Fill(key, std::max(offset, used), end, FillByte(layout, field, FillsHigh(layout, field, high)));
        offset = end;
    }
    Fill(key, std::max(offset, used), layout.KeyLength, EdgeByte(high));
}

void EdgeKey(const TKeyLayout& layout, uint8_t* key, bool high) {
    if (IsByteOrdered(layout)) {
        Fill(key, 0, layout.KeyLength, EdgeByte(high));
        return;
    }
    size_t offset = 0;
    for (size_t k = 0; k < layout.FieldCount; ++k) {
        const TKeyField& field = layout.Fields[k];
        const bool fillsHigh = FillsHigh(layout, field, high);
        key[offset] = fillsHigh ? 1 : 0;
        Fill(key, offset + 1, offset + 1 + field.DataWidth, FillByte(layout, field, fillsHigh));
        offset += field.DataWidth + 1u;
    }
    Fill(key, offset, layout.KeyLength, EdgeByte(high));
}

}  // namespace

void PadKeyLow(const TKeyLayout& layout, uint8_t* key, size_t used) {
    PadKey(layout, key, used, false);
}

void PadKeyHigh(const TKeyLayout& layout, uint8_t* key, size_t used) {
    PadKey(layout, key, used, true);
}

void LowestKey(const TKeyLayout& layout, uint8_t* key) {
    EdgeKey(layout, key, false);
}

void HighestKey(const TKeyLayout& layout, uint8_t* key) {
    EdgeKey(layout, key, true);
}

}  // namespace kartei
