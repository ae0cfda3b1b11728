#include "engine/format/FieldLookup.h"

#include <algorithm>

#include "base/TextHelpers.h"

namespace kartei {

const TFieldDescriptor* FindFieldByName(std::span<const TFieldDescriptor> fields, std::string_view name) {
    const auto it = std::find_if(fields.begin(), fields.end(), [name](const TFieldDescriptor& field) {
        return EqualsIgnoreAsciiCase(field.Name, name);
    });
    return it != fields.end() ? &*it : nullptr;
}

const TFieldDescriptor* FindFieldByNumber(std::span<const TFieldDescriptor> fields, int16_t fieldNumber) {
    const auto it = std::find_if(fields.begin(), fields.end(), [fieldNumber](const TFieldDescriptor& field) {
        return field.FieldNumber == fieldNumber;
    });
    return it != fields.end() ? &*it : nullptr;
}

}  // namespace kartei
