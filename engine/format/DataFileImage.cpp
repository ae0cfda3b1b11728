#include "engine/format/DataFileImage.h"

#include "engine/errors/ErrorContext.h"
#include "engine/format/FieldWidths.h"
#include "engine/format/RecordLayout.h"
#include "engine/format/Scramble.h"
#include "kartei/ErrorCodes.h"

namespace kartei {

std::vector<TFieldDescriptor> ReadFieldDescriptors(std::span<uint8_t> area, const TDataHeader& header,
                                                   std::string_view tableName) {
    const size_t areaSize = size_t{header.FieldCount} * kFieldDescriptorSize;
    if (area.size() < areaSize || header.RecordSize < kRecordFieldsAt) {
        RaiseKarteiError(ErrorCode::HeaderCorrupt, tableName);
    }
    area = area.first(areaSize);
    if (header.IsEncrypted()) {
        UnscrambleDescriptorArea(area, header.EngineVersion);
    }
    std::vector<TFieldDescriptor> fields;
    fields.reserve(header.FieldCount);
    for (size_t at = 0; at < areaSize; at += kFieldDescriptorSize) {
        TFieldDescriptor field = DecodeFieldDescriptor(area.subspan(at).first<kFieldDescriptorSize>());
        const uint16_t width = FieldDataWidth(field.FieldType, field.Size);
        if (width > UINT8_MAX || (field.IsStored() && field.Offset + 1u + width > header.RecordSize)) {
            RaiseKarteiError(ErrorCode::HeaderCorrupt, tableName);
        }
        field.DataWidth = static_cast<uint8_t>(width);
        field.DecimalsCopy = field.Decimals;
        fields.push_back(std::move(field));
    }
    return fields;
}

std::vector<uint8_t> EncodeFieldDescriptors(std::span<const TFieldDescriptor> fields,
                                            const TDataHeader& header) {
    std::vector<uint8_t> area(fields.size() * kFieldDescriptorSize);
    for (size_t k = 0; k < fields.size(); ++k) {
        EncodeFieldDescriptor(
            fields[k], std::span(area).subspan(k * kFieldDescriptorSize).first<kFieldDescriptorSize>());
    }
    if (header.IsEncrypted()) {
        ScrambleDescriptorArea(area);
    }
    return area;
}

std::vector<uint8_t> NewDataFileImage(const TDataHeader& header, std::span<const TFieldDescriptor> fields) {
    std::vector<uint8_t> image(kDataHeaderSize);
    header.Encode(std::span(image).first<kDataHeaderSize>());
    const std::vector<uint8_t> area = EncodeFieldDescriptors(fields, header);
    image.insert(image.end(), area.begin(), area.end());
    return image;
}

}  // namespace kartei
