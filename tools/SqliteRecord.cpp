#include "tools/SqliteRecord.h"

#include <string_view>

#include "engine/format/FieldTypes.h"
#include "engine/format/FieldValues.h"
#include "engine/locale/Cp1252.h"
#include "tools/FieldText.h"

namespace kartei::tools {
namespace {

constexpr size_t kBlobReadStep = 4096;
constexpr int64_t kBcdScale = 10000;

}  // namespace

TSqliteRecordBinder::TSqliteRecordBinder(TDataTable& table) : table_(table), contents_(kBlobReadStep) {}

void TSqliteRecordBinder::Bind(std::span<const uint8_t> record, TSqliteStatement& insert) {
    int parameter = 0;
    for (const TFieldDescriptor& field : table_.Fields()) {
        ++parameter;
        if (IsFieldNull(record, field)) {
            insert.BindNull(parameter);
            continue;
        }
        switch (field.FieldType) {
            case FieldType::String:
                insert.BindText(parameter, Cp1252ToUtf8(GetStringField(record, field)));
                break;
            case FieldType::Date:
            case FieldType::Time:
            case FieldType::DateTime:
                insert.BindText(parameter, FieldText(record, field));
                break;
            case FieldType::Boolean:
                insert.BindInteger(parameter, GetBooleanField(record, field) ? 1 : 0);
                break;
            case FieldType::SmallInt:
                insert.BindInteger(parameter, GetSmallIntField(record, field));
                break;
            case FieldType::Integer:
                insert.BindInteger(parameter, GetIntegerField(record, field));
                break;
            case FieldType::Word:
                insert.BindInteger(parameter, GetWordField(record, field));
                break;
            case FieldType::Float:
                insert.BindReal(parameter, GetFloatField(record, field));
                break;
            case FieldType::Bcd: {
                const int64_t scaled = GetBcdField(record, field);
                if (scaled % kBcdScale == 0) {
                    insert.BindInteger(parameter, scaled / kBcdScale);
                } else {
                    insert.BindReal(parameter, BcdToDouble(scaled));
                }
                break;
            }
            case FieldType::Blob:
                BindBlob(record, field, parameter, insert);
                break;
            default:
                insert.BindBlob(parameter, FieldValueBytes(record, field));
                break;
        }
    }
}

void TSqliteRecordBinder::BindBlob(std::span<const uint8_t> record, const TFieldDescriptor& field,
                                   int parameter, TSqliteStatement& insert) {
    const size_t length = table_.ReadBlob(record, field, contents_);
    const std::span<const uint8_t> contents(contents_.Data(), length);
    if (IsTextBlob(field)) {
        insert.BindText(parameter, Cp1252ToUtf8(std::string_view(
                                       reinterpret_cast<const char*>(contents.data()), contents.size())));
    } else {
        insert.BindBlob(parameter, contents);
    }
}

}  // namespace kartei::tools
