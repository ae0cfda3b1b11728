#include "engine/format/FieldWidths.h"

namespace kartei {

uint16_t FieldDataWidth(uint8_t type, uint8_t declaredSize) {
    switch (type) {
        case FieldType::String:
            return static_cast<uint16_t>(declaredSize + 1);
        case FieldType::Boolean:
        case FieldType::SmallInt:
        case FieldType::Word:
            return 2;
        case FieldType::Date:
        case FieldType::Integer:
        case FieldType::Time:
        case FieldType::Raw4:
            return 4;
        case FieldType::Blob:
        case FieldType::Float:
        case FieldType::Bcd:
        case FieldType::DateTime:
            return 8;
        case FieldType::Raw10:
            return 10;
        default:
            return declaredSize;
    }
}

}  // namespace kartei
