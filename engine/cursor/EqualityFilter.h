#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "kartei/Cursor.h"

namespace kartei {

// The filter of TDataCursor::FindFirst: a chain of comparisons, field = constant, joined by AND. Both null
// is equal, one null is not. Texts compare in the table's locale (or by bytes without one), over a partial
// length when one is given; other values compare as their fields store them.
class TEqualityFilter {
public:
    // `recordSize`, `languageId` and `sortId` are the table's.
    TEqualityFilter(std::span<const TFieldCondition> conditions, uint16_t recordSize, uint16_t languageId,
                    uint16_t sortId, bool caseInsensitive);

    bool Matches(std::span<const uint8_t> record) const;

private:
    bool Equal(const TFieldCondition& condition, std::span<const uint8_t> record) const;

    std::span<const TFieldCondition> conditions_;
    // The constants of the fields other than text, stored as their fields store values.
    std::vector<uint8_t> constants_;
    uint16_t languageId_;
    uint16_t sortId_;
    bool caseInsensitive_;
};

}  // namespace kartei
