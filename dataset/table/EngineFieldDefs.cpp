#include "dataset/table/EngineFieldDefs.h"

#include <string>

#include "kartei/Field.h"

namespace kartei {
namespace {

TFieldType BlobFieldType(uint8_t subtype) {
    switch (subtype) {
        case FieldSubtype::Memo:
            return TFieldType::ftMemo;
        case FieldSubtype::FormattedMemo:
            return TFieldType::ftFmtMemo;
        case FieldSubtype::Graphic:
            return TFieldType::ftGraphic;
        case FieldSubtype::TypedBinary:
            return TFieldType::ftTypedBinary;
        default:
            return TFieldType::ftBlob;
    }
}

int FieldDefSize(TFieldType type, const TFieldDescriptor& field) {
    switch (type) {
        case TFieldType::ftString:
        case TFieldType::ftBytes:
        case TFieldType::ftVarBytes:
            return field.Size;
        case TFieldType::ftBCD:
            return field.Decimals;
        default:
            return 0;
    }
}

std::string UniqueName(const TFieldDefs& defs, const std::string& name) {
    if (!defs.Find(name)) {
        return name;
    }
    for (int suffix = 1;; ++suffix) {
        std::string candidate = name + "_" + std::to_string(suffix);
        if (!defs.Find(candidate)) {
            return candidate;
        }
    }
}

}  // namespace

TFieldType FieldTypeOfEngineField(uint8_t type, uint8_t subtype) {
    switch (type) {
        case FieldType::String:
            return TFieldType::ftString;
        case FieldType::Date:
            return TFieldType::ftDate;
        case FieldType::Blob:
            return BlobFieldType(subtype);
        case FieldType::Boolean:
            return TFieldType::ftBoolean;
        case FieldType::SmallInt:
            return TFieldType::ftSmallint;
        case FieldType::Integer:
            return subtype == FieldSubtype::AutoIncrement ? TFieldType::ftAutoInc : TFieldType::ftInteger;
        case FieldType::Float:
            return subtype == FieldSubtype::Currency ? TFieldType::ftCurrency : TFieldType::ftFloat;
        case FieldType::Bcd:
            return TFieldType::ftBCD;
        case FieldType::Bytes:
            return TFieldType::ftBytes;
        case FieldType::Time:
            return TFieldType::ftTime;
        case FieldType::DateTime:
            return TFieldType::ftDateTime;
        case FieldType::Word:
            return TFieldType::ftWord;
        case FieldType::Raw4:
            return TFieldType::ftInteger;
        case FieldType::VarBytes:
            return TFieldType::ftVarBytes;
        case FieldType::LargeInt:
        case FieldType::LargeInt + 1:
            return TFieldType::ftLargeint;
        case FieldType::Adt:
            return TFieldType::ftADT;
        case FieldType::Array:
            return TFieldType::ftArray;
        case FieldType::Reference:
            return TFieldType::ftReference;
        case FieldType::DataSet:
            return TFieldType::ftDataSet;
        default:
            return TFieldType::ftUnknown;
    }
}

void FieldDefsFromEngine(std::span<const TFieldDescriptor> fields, TFieldDefs& defs) {
    defs.Clear();
    for (const TFieldDescriptor& field : fields) {
        const TFieldType type = FieldTypeOfEngineField(field.FieldType, field.SubType);
        // A field without room in the record is left out.
        if (type == TFieldType::ftUnknown || field.NonStored != 0) {
            continue;
        }
        TFieldDef& def =
            defs.Add(UniqueName(defs, field.Name), type, FieldDefSize(type, field), field.Required != 0);
        def.FieldNo = field.FieldNumber;
        if (type == TFieldType::ftBCD) {
            def.Precision = 20;
        }
    }
}

}  // namespace kartei
