#pragma once

#include <array>
#include <cstdint>

#include "kartei/Index.h"

namespace kartei {

// What a table dataset keeps of its current index: re-read on open and on every index switch.
struct TIndexInfo {
    bool CaseInsensitive = false;
    int FieldCount = 0;
    // 1-based field numbers of the index fields.
    std::array<uint16_t, kMaxKeyFields> FieldNumbers{};
    uint16_t KeyLength = 0;
};

}  // namespace kartei
