#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "dataset/framework/Variant.h"
#include "engine/format/FieldDescriptor.h"

namespace kartei {

// The filter a locate scans with when no index fits: a chain of equality comparisons, field = constant,
// joined by AND. Both null is equal, one null is not. Texts compare in the table's locale (or by bytes
// without one), over a partial length with the partial-key option; other values compare by value.
class TLocateFilter {
public:
    // `constants`: a record image holding the search values of the non-text fields, as their fields wrote
    // them.
    TLocateFilter(std::span<const uint8_t> constants, uint16_t languageId, uint16_t sortId, bool caseInsensitive,
                  bool partialKey);

    // One comparison. String fields take the value as text: an empty text is null, and with the partial-key
    // option a text of two or more characters ending in "*" matches on what comes before it.
    void Add(const TFieldDescriptor& field, const TVariant& value);
    bool Matches(std::span<const uint8_t> record) const;

private:
    struct TCondition {
        const TFieldDescriptor* Field = nullptr;
        bool Null = false;
        bool Text = false;
        std::string Value;
        size_t PartialLength = 0;  // 0: the whole texts
    };

    bool Equal(const TCondition& condition, std::span<const uint8_t> record) const;

    std::vector<uint8_t> constants_;
    uint16_t languageId_;
    uint16_t sortId_;
    bool caseInsensitive_;
    bool partialKey_;
    std::vector<TCondition> conditions_;
};

}  // namespace kartei
