#include "tools/model/ModelRecord.h"

#include <cstdio>

#include "kartei/Field.h"
#include "kartei/Record.h"
#include "engine/format/RecordLayout.h"

namespace kartei::tools::model {
namespace {

std::span<const uint8_t> AsBytes(const std::string& text) {
    return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

// Runs of more than 8 equal characters as "c*n", bytes outside printable ASCII as \xNN.
std::string Shortened(const std::string& text, bool hex) {
    std::string out;
    for (size_t k = 0; k < text.size();) {
        size_t run = 1;
        while (k + run < text.size() && text[k + run] == text[k]) {
            ++run;
        }
        const uint8_t c = static_cast<uint8_t>(text[k]);
        char piece[8];
        if (hex) {
            std::snprintf(piece, sizeof piece, "%02X", c);
        } else if (c < 0x20 || c >= 0x7F || c == '\'') {
            std::snprintf(piece, sizeof piece, "\\x%02X", c);
        } else {
            std::snprintf(piece, sizeof piece, "%c", c);
        }
        const size_t repeat = run > 8 ? 1 : run;
        for (size_t r = 0; r < repeat; ++r) {
            out += (hex && !out.empty() ? " " : "") + std::string(piece);
        }
        if (run > 8) {
            out += "*" + std::to_string(run);
        }
        k += run;
    }
    return out;
}

}  // namespace

std::vector<uint8_t> MakeImage(std::span<const TFieldDescriptor> fields, uint16_t recordSize,
                               const TModelRecord& record) {
    std::vector<uint8_t> image(recordSize, 0);
    SetRecordStatus(image, kRecordLive);
    SetRecordLink(image, record.RecordNumber);
    SetRecordAutoIncValue(image, record.Id);
    for (size_t k = 0; k < fields.size(); ++k) {
        const TFieldDescriptor& field = fields[k];
        const TModelValue& value = record.Values[k];
        if (!field.IsStored() || value.Null) {
            continue;
        }
        switch (field.FieldType) {
            case FieldType::Integer:
                SetIntegerField(image, field, value.Number);
                break;
            case FieldType::SmallInt:
                SetSmallIntField(image, field, static_cast<int16_t>(value.Number));
                break;
            default:
                SetRawField(image, field, AsBytes(value.Bytes));
                break;
        }
    }
    return image;
}

void UpdateImage(std::span<const TFieldDescriptor> fields, uint16_t recordSize, TModelRecord& record) {
    record.Image = MakeImage(fields, recordSize, record);
}

TModelRecord ReadImage(std::span<const TFieldDescriptor> fields, std::span<const uint8_t> image) {
    TModelRecord record;
    record.RecordNumber = RecordLink(image);
    record.Id = RecordAutoIncValue(image);
    for (const TFieldDescriptor& field : fields) {
        TModelValue value;
        if (field.IsStored() && !IsFieldNull(image, field)) {
            value.Null = false;
            switch (field.FieldType) {
                case FieldType::Integer:
                    value.Number = GetIntegerField(image, field);
                    break;
                case FieldType::SmallInt:
                    value.Number = GetSmallIntField(image, field);
                    break;
                case FieldType::String:
                    value.Bytes = std::string(GetStringField(image, field));
                    break;
                default: {
                    const std::span<const uint8_t> bytes = FieldValueBytes(image, field);
                    value.Bytes.assign(bytes.begin(), bytes.end());
                    break;
                }
            }
        }
        record.Values.push_back(value);
    }
    record.Image.assign(image.begin(), image.end());
    return record;
}

std::string Describe(std::span<const TFieldDescriptor> fields, const TModelRecord& record) {
    std::string text = "#" + std::to_string(record.RecordNumber) + " id " + std::to_string(record.Id) + " {";
    bool first = true;
    for (size_t k = 0; k < fields.size(); ++k) {
        if (!fields[k].IsStored()) {
            continue;
        }
        const TModelValue& value = record.Values[k];
        text += (first ? "" : ", ") + fields[k].Name + "=";
        first = false;
        if (value.Null) {
            text += "NULL";
        } else if (fields[k].FieldType == FieldType::String) {
            text += "'" + Shortened(value.Bytes, false) + "'";
        } else if (fields[k].FieldType == FieldType::Bytes) {
            text += Shortened(value.Bytes, true);
        } else {
            text += std::to_string(value.Number);
        }
    }
    return text + "}";
}

}  // namespace kartei::tools::model
