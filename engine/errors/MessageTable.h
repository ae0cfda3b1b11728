#pragma once

#include <cstdint>

namespace kartei {

// What fills a message's placeholders, in order, from the error context.
enum class TMessageArg : uint8_t { None, Table, Field, Index, Extra };

struct TMessageEntry {
    uint16_t Code;
    const char* Text;
    TMessageArg Args[3];
};

// The engine message for a code, or nullptr when the code has none.
const TMessageEntry* FindMessage(uint16_t code);

// The text for codes without an entry; filled with the table name.
inline constexpr const char* kUnknownErrorText = "Unknown error occurred with table '%S'";

}  // namespace kartei
