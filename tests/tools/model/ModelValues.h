#pragma once

#include <random>
#include <span>
#include <vector>

#include "engine/format/FieldDescriptor.h"
#include "tools/model/ModelRecord.h"

namespace kartei::tools::model {

// Field values of the kinds that make index pages hard to keep: strings with long shared prefixes and
// strings of the declared size, near neighbours and copies of values already stored (equal keys in
// non-unique indexes, conflicts in unique ones), nulls, Bytes values rich in trailing zero bytes, extreme
// numbers, and in a locale table umlauts, sharp s and case variants that collate alike.
class TValueSource {
public:
    TValueSource(std::span<const TFieldDescriptor> fields, bool locale) : fields_(fields), locale_(locale) {}

    // Values for every field; with `like`, many are near neighbours of its values.
    std::vector<TModelValue> Make(std::mt19937& random, const TModelRecord* like) const;
    // A new value for one field.
    TModelValue MakeOne(std::mt19937& random, size_t field, const TModelValue* like) const;

private:
    TModelValue MakeString(std::mt19937& random, uint8_t size, const TModelValue* like) const;
    TModelValue MakeBytes(std::mt19937& random, uint8_t size, const TModelValue* like) const;
    TModelValue MakeNumber(std::mt19937& random, int32_t low, int32_t high) const;

    std::span<const TFieldDescriptor> fields_;
    bool locale_;
};

}  // namespace kartei::tools::model
