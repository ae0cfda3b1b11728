#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

namespace kartei {

// The byte values 0..255 in ascending collation order of a locale. Its first and last entries are the
// lowest and highest characters that pad partial string keys.
using TCharOrderMap = std::array<uint8_t, 256>;

// The character order maps in use, one per (language id, sort id), each built on its first request and
// kept until the list goes: a map costs a few hundred collations to build. Thread-safe.
class TLanguageCharMapsList {
public:
    // The list shared by every session and thread of the process.
    static TLanguageCharMapsList& Instance();

    // A copy of the map for the pair. Language id 0 gives the identity. Characters the collation finds
    // equal stay in byte order, so byte 0 (which collates as nothing) is the lowest character of every
    // locale and a low-padded key never passes over a null field.
    TCharOrderMap GetCharMap(uint16_t languageId, uint16_t sortId);

    // How many maps this list has built.
    size_t BuildCount() const;

private:
    struct TEntry {
        uint16_t LanguageId;
        uint16_t SortId;
        TCharOrderMap Map;
    };

    mutable std::mutex lock_;
    std::vector<TEntry> entries_;
};

}  // namespace kartei
