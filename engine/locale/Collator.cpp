#include "engine/locale/Collator.h"

#include <unicode/ucol.h>

#include <algorithm>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "base/Cp1252.h"
#include "base/Hash.h"
#include "engine/locale/LocaleId.h"

namespace kartei {
namespace {

// Longest text a key can hold: a string area never exceeds the key buffer.
constexpr size_t kMaxCollatedLength = 524;

size_t TextLength(const uint8_t* text, size_t length) {
    length = std::min(length, kMaxCollatedLength);
    const auto* end = std::find(text, text + length, uint8_t{0});
    return static_cast<size_t>(end - text);
}

}  // namespace

TCollationText PrepareCollationText(const uint8_t* text, size_t length, char16_t* units) {
    length = TextLength(text, length);
    Cp1252ToUtf16(reinterpret_cast<const char*>(text), length, units);
    return TCollationText{text, units, length};
}

TCollator::TCollator(uint32_t localeId, TCollationStrength strength) {
    const std::string name = IcuLocaleName(localeId);
    if (name.empty()) {
        return;
    }
    UErrorCode status = U_ZERO_ERROR;
    UCollator* collator = ucol_open(name.c_str(), &status);
    if (U_FAILURE(status)) {
        return;
    }
    if (strength != TCollationStrength::Full) {
        ucol_setStrength(collator, UCOL_PRIMARY);
        ucol_setAttribute(collator, UCOL_CASE_LEVEL, strength == TCollationStrength::Key ? UCOL_ON : UCOL_OFF,
                          &status);
    }
    ucol_setAttribute(collator, UCOL_ALTERNATE_HANDLING, UCOL_NON_IGNORABLE, &status);
    if (U_FAILURE(status)) {
        ucol_close(collator);
        return;
    }
    collator_ = collator;
}

TCollator::~TCollator() {
    ucol_close(collator_);
}

int TCollator::Compare(const uint8_t* a, size_t aLength, const uint8_t* b, size_t bLength) const {
    UChar bText[kMaxCollatedLength];
    return Compare(a, aLength, PrepareCollationText(b, bLength, bText), bLength);
}

int TCollator::Compare(const uint8_t* a, size_t aLength, const TCollationText& b, size_t bLength) const {
    aLength = TextLength(a, aLength);
    bLength = std::min(b.Length, bLength);
    // Identical text collates equal: an exact key lookup ends here without converting.
    if (aLength == bLength && std::equal(a, a + aLength, b.Bytes)) {
        return 0;
    }
    UChar aText[kMaxCollatedLength];
    Cp1252ToUtf16(reinterpret_cast<const char*>(a), aLength, aText);
    switch (ucol_strcoll(collator_, aText, static_cast<int32_t>(aLength), b.Units,
                         static_cast<int32_t>(bLength))) {
        case UCOL_LESS:
            return -1;
        case UCOL_GREATER:
            return 1;
        default:
            return 0;
    }
}

template <typename Use>
void TCollator::WithSortKey(const uint8_t* text, size_t length, const Use& use) const {
    UChar units[kMaxCollatedLength];
    const TCollationText prepared = PrepareCollationText(text, length, units);
    const auto count = static_cast<int32_t>(prepared.Length);
    // A sort key takes a few bytes per character; a longer one than the stack holds is rare.
    uint8_t key[4 * kMaxCollatedLength];
    const int32_t size = ucol_getSortKey(collator_, units, count, key, static_cast<int32_t>(sizeof key));
    if (size <= static_cast<int32_t>(sizeof key)) {
        use(key, static_cast<size_t>(size));
        return;
    }
    std::vector<uint8_t> longer(static_cast<size_t>(size));
    use(longer.data(), static_cast<size_t>(ucol_getSortKey(collator_, units, count, longer.data(), size)));
}

namespace {

void CopyPrefix(const uint8_t* key, size_t keySize, uint8_t* out, size_t size) {
    const size_t taken = std::min(size, keySize);
    std::copy_n(key, taken, out);
    std::fill(out + taken, out + size, uint8_t{0});
}

}  // namespace

uint64_t TCollator::Hash(const uint8_t* text, size_t length, uint64_t hash, uint8_t* prefix,
                         size_t prefixSize) const {
    WithSortKey(text, length, [&](const uint8_t* key, size_t size) {
        hash = HashBytes(key, size, hash);
        if (prefix != nullptr) {
            CopyPrefix(key, size, prefix, prefixSize);
        }
    });
    return hash;
}

void TCollator::SortKeyPrefix(const uint8_t* text, size_t length, uint8_t* out, size_t size) const {
    WithSortKey(text, length,
                [out, size](const uint8_t* key, size_t keySize) { CopyPrefix(key, keySize, out, size); });
}

const TCollator* LocaleCollator(uint32_t localeId, TCollationStrength strength) {
    // Never freed before exit: cursors keep plain pointers, and a process uses a handful of locales.
    static std::mutex lock;
    static std::map<std::pair<uint32_t, TCollationStrength>, std::unique_ptr<TCollator>> collators;
    std::lock_guard guard(lock);
    auto& collator = collators[{localeId, strength}];
    if (!collator) {
        collator = std::make_unique<TCollator>(localeId, strength);
    }
    return collator->IsOpen() ? collator.get() : nullptr;
}

}  // namespace kartei
