#include "engine/index/EntryCodec.h"

#include <algorithm>
#include <cstring>

#include "engine/format/Bytes.h"
#include "engine/keys/KeyLayout.h"

namespace kartei {
namespace {

constexpr size_t kRecordNumberSize = 4;
// Mode 3 keeps each count in one byte.
constexpr size_t kMaxByteCount = 255;

// Where the left-out zero bytes end: the end of the key, or the start of the record-identifier suffix.
size_t ZeroRunEnd(const TPageGeometry& geometry) {
    return geometry.Unique ? geometry.KeyLength : geometry.KeyLength - kRecordIdSuffixSize;
}

// The key bytes an entry stores: [Begin, Middle) before the left-out zeros and [Resume, K) after them.
struct TStoredBytes {
    size_t Begin;
    size_t Middle;
    size_t Resume;
};

TStoredBytes StoredBytes(const TPageGeometry& geometry, TEntryForm form) {
    const size_t zeroEnd = ZeroRunEnd(geometry);
    const size_t leading = form.Leading;
    return TStoredBytes{leading, std::max(leading, zeroEnd - form.Trailing), std::max(leading, zeroEnd)};
}

size_t FormHeaderSize(TCompression compression) {
    return compression == TCompression::None ? 0 : 2;
}

// Keys are long and mostly alike or zero: they are scanned a word at a time before the bytes that differ.
uint64_t Word(const uint8_t* p) {
    uint64_t word;
    std::memcpy(&word, p, sizeof word);
    return word;
}

size_t CommonPrefix(const uint8_t* a, const uint8_t* b, size_t length) {
    size_t k = 0;
    while (k + sizeof(uint64_t) <= length && Word(a + k) == Word(b + k)) {
        k += sizeof(uint64_t);
    }
    while (k < length && a[k] == b[k]) {
        ++k;
    }
    return k;
}

// Zero bytes ending at `end`, counted back no further than `floor`.
size_t ZerosBefore(const uint8_t* key, size_t end, size_t floor) {
    size_t k = end;
    while (k >= floor + sizeof(uint64_t) && Word(key + k - sizeof(uint64_t)) == 0) {
        k -= sizeof(uint64_t);
    }
    while (k > floor && key[k - 1] == 0) {
        --k;
    }
    return end - k;
}

}  // namespace

TEntryForm LeafEntryForm(const TPageGeometry& geometry, const uint8_t* previous, const uint8_t* key) {
    const size_t length = geometry.KeyLength;
    const bool leading =
        geometry.Compression == TCompression::Leading || geometry.Compression == TCompression::Both;
    const bool trailing =
        geometry.Compression == TCompression::Trailing || geometry.Compression == TCompression::Both;
    const size_t cap = geometry.Compression == TCompression::Both ? kMaxByteCount : SIZE_MAX;
    size_t shared = 0;
    if (leading && previous != nullptr) {
        shared = std::min(CommonPrefix(previous, key, length), cap);
    }
    size_t zeros = 0;
    const size_t zeroEnd = ZeroRunEnd(geometry);
    if (trailing && zeroEnd > shared) {
        zeros = std::min(ZerosBefore(key, zeroEnd, shared), cap);
    }
    return TEntryForm{static_cast<uint16_t>(shared), static_cast<uint16_t>(zeros)};
}

size_t LeafEntrySize(const TPageGeometry& geometry, TEntryForm form) {
    const TStoredBytes stored = StoredBytes(geometry, form);
    return FormHeaderSize(geometry.Compression) + (stored.Middle - stored.Begin) +
           (geometry.KeyLength - stored.Resume) + kRecordNumberSize;
}

size_t WriteLeafEntry(const TPageGeometry& geometry, TEntryForm form, const uint8_t* key,
                      uint32_t recordNumber, uint8_t* out) {
    uint8_t* p = out;
    switch (geometry.Compression) {
        case TCompression::None:
            break;
        case TCompression::Leading:
            WriteU16(p, form.Leading);
            p += 2;
            break;
        case TCompression::Trailing:
            WriteU16(p, form.Trailing);
            p += 2;
            break;
        case TCompression::Both:
            p[0] = static_cast<uint8_t>(form.Leading);
            p[1] = static_cast<uint8_t>(form.Trailing);
            p += 2;
            break;
    }
    const TStoredBytes stored = StoredBytes(geometry, form);
    std::memcpy(p, key + stored.Begin, stored.Middle - stored.Begin);
    p += stored.Middle - stored.Begin;
    std::memcpy(p, key + stored.Resume, geometry.KeyLength - stored.Resume);
    p += geometry.KeyLength - stored.Resume;
    WriteU32(p, recordNumber);
    return static_cast<size_t>(p - out) + kRecordNumberSize;
}

namespace {

// One pass over a page's entries with the header layout fixed at compile time: a page miss reads every
// entry's form, and most pages hold hundreds.
template <TCompression Mode>
size_t ReadFormsIn(const TPageGeometry& geometry, const uint8_t* data, int count, TLeafEntryPlace* places) {
    const size_t length = geometry.KeyLength;
    const size_t zeroEnd = ZeroRunEnd(geometry);
    size_t at = 0;
    for (int k = 0; k < count; ++k) {
        const uint8_t* in = data + at;
        if (kPageDataSize - at < FormHeaderSize(Mode)) {
            return 0;
        }
        TEntryForm form;
        if constexpr (Mode == TCompression::Leading) {
            form.Leading = ReadU16(in);
        } else if constexpr (Mode == TCompression::Trailing) {
            form.Trailing = ReadU16(in);
        } else {
            form.Leading = in[0];
            form.Trailing = in[1];
        }
        const size_t leading = form.Leading;
        if (leading > length || (leading > 0 && k == 0) ||
            (form.Trailing > 0 && zeroEnd < leading + form.Trailing)) {
            return 0;
        }
        const size_t size = LeafEntrySize(geometry, form);
        if (size > kPageDataSize - at) {
            return 0;
        }
        places[k] = TLeafEntryPlace{static_cast<uint16_t>(at), form};
        at += size;
    }
    return at;
}

}  // namespace

size_t ReadLeafForms(const TPageGeometry& geometry, const uint8_t* data, int count, TLeafEntryPlace* places) {
    switch (geometry.Compression) {
        case TCompression::Leading:
            return ReadFormsIn<TCompression::Leading>(geometry, data, count, places);
        case TCompression::Trailing:
            return ReadFormsIn<TCompression::Trailing>(geometry, data, count, places);
        case TCompression::Both:
            return ReadFormsIn<TCompression::Both>(geometry, data, count, places);
        case TCompression::None:
            break;
    }
    return 0;
}

void ExpandLeafKey(const TPageGeometry& geometry, const uint8_t* in, TEntryForm form, size_t from, size_t to,
                   uint8_t* key) {
    const TStoredBytes stored = StoredBytes(geometry, form);
    const uint8_t* p = in + FormHeaderSize(geometry.Compression);
    // The stored bytes before the left-out zeros, the zeros, the stored bytes after them.
    const auto part = [&](size_t begin, size_t end, const uint8_t* source) {
        const size_t a = std::max(begin, from);
        const size_t b = std::min(end, to);
        if (a >= b) {
            return;
        }
        if (source == nullptr) {
            std::memset(key + a, 0, b - a);
        } else {
            std::memcpy(key + a, source + (a - begin), b - a);
        }
    };
    part(stored.Begin, stored.Middle, p);
    part(stored.Middle, stored.Resume, nullptr);
    part(stored.Resume, geometry.KeyLength, p + (stored.Middle - stored.Begin));
}

uint32_t LeafRecordNumber(const TPageGeometry& geometry, const uint8_t* in, TEntryForm form) {
    return ReadU32(in + LeafEntrySize(geometry, form) - kRecordNumberSize);
}

}  // namespace kartei
