#pragma once

#include <cstddef>
#include <cstdint>

struct UCollator;

namespace kartei {

// Which differences a collator sees. Punctuation and symbols are ordinary characters in both (string sort).
enum class TCollationStrength {
    // Key order: letters and case count, accents and other non-spacing marks do not.
    Key,
    // Every difference: letters, accents, case.
    Full,
    // Letters only: neither accents nor case count (a case-insensitive locate).
    Letters,
};

// One side of a comparison converted ahead (PrepareCollationText), for a text compared with many others.
struct TCollationText {
    // The text as given and its characters converted, up to its first zero byte.
    const uint8_t* Bytes = nullptr;
    const char16_t* Units = nullptr;
    size_t Length = 0;
};

// Converts a text as Compare takes a side (at most `length` bytes, ending early at a zero byte) into
// `units`, which has room for `length` characters and must outlive the answer.
TCollationText PrepareCollationText(const uint8_t* text, size_t length, char16_t* units);

// ICU collation of cp1252 text under a Windows locale id (language id | sort id << 16).
class TCollator {
public:
    TCollator(uint32_t localeId, TCollationStrength strength);
    ~TCollator();
    TCollator(const TCollator&) = delete;
    TCollator& operator=(const TCollator&) = delete;

    // False when ICU knows no locale for the id; Compare must not be called then.
    bool IsOpen() const { return collator_ != nullptr; }

    // -1, 0 or 1. Each side is at most its length in bytes and ends early at its first zero byte, since key
    // value areas are zero-padded. Converts on the stack and allocates nothing of its own; callable from
    // several threads at once.
    int Compare(const uint8_t* a, size_t aLength, const uint8_t* b, size_t bLength) const;
    // The same with `b` converted already; `bLength` may cut it shorter.
    int Compare(const uint8_t* a, size_t aLength, const TCollationText& b, size_t bLength) const;
    // Folds the text (as Compare takes a side) into `hash` through its sort key: texts Compare finds equal
    // fold alike.
    // With `prefix`, its first `prefixSize` bytes as SortKeyPrefix gives them, from the same sort key.
    uint64_t Hash(const uint8_t* text, size_t length, uint64_t hash, uint8_t* prefix = nullptr,
                  size_t prefixSize = 0) const;
    // The first `size` bytes of the text's sort key, zero-padded: two texts whose prefixes differ compare
    // as their prefixes do (bytewise); equal prefixes tell nothing.
    void SortKeyPrefix(const uint8_t* text, size_t length, uint8_t* out, size_t size) const;

private:
    // Calls `use(key, size)` with the text's sort key.
    template <typename Use>
    void WithSortKey(const uint8_t* text, size_t length, const Use& use) const;

    UCollator* collator_ = nullptr;
};

// The collator of a locale id and strength, opened on the first request and kept for the life of the
// process; nullptr when ICU knows no locale for the id.
const TCollator* LocaleCollator(uint32_t localeId, TCollationStrength strength);
inline const TCollator* KeyCollator(uint32_t localeId) {
    return LocaleCollator(localeId, TCollationStrength::Key);
}

}  // namespace kartei
