#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "engine/keys/KeyLayout.h"
#include "engine/locale/Collator.h"

namespace kartei {

// A key compared with many others, as a descent compares the key it looks for with the entries of every
// page on its way: its string fields are converted for the collator once instead of at every comparison.
// Holds on to the key's bytes and points into itself, so it is neither copied nor moved.
class TPreparedKey {
public:
    TPreparedKey(const TKeyLayout& layout, const uint8_t* key);
    TPreparedKey(const TPreparedKey&) = delete;
    TPreparedKey& operator=(const TPreparedKey&) = delete;

    const uint8_t* Bytes() const { return key_; }
    // The converted text of string field `field` (of a layout with a locale).
    const TCollationText& Text(size_t field) const { return texts_[field]; }

private:
    const uint8_t* key_;
    std::array<TCollationText, kMaxKeyFields> texts_{};
    // The string fields' text, one after another; a key holds fewer characters than bytes.
    std::array<char16_t, kKeyBufferSize> units_;
};

}  // namespace kartei
