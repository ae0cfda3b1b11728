#include "dataset/framework/BytesField.h"

#include <algorithm>
#include <cstring>

namespace kartei {

TBytesField::TBytesField(TDataSet& dataSet, const TFieldDef& def)
    : TField(dataSet, def, TAlignment::taLeftJustify, def.Size) {}

TVariant TBytesField::Value() const {
    std::string bytes;
    return ReadBytes(bytes) ? TVariant(std::move(bytes)) : TVariant();
}

std::string TBytesField::AsString() const {
    std::string bytes;
    ReadBytes(bytes);
    return bytes;
}

void TBytesField::SetAsString(std::string_view text) {
    WriteBytes(text);
}

bool TBytesField::ReadBytes(std::string& bytes) const {
    bytes.assign(DataSize(), '\0');
    if (!GetData(bytes.data())) {
        bytes.clear();
        return false;
    }
    return true;
}

void TBytesField::WriteBytes(std::string_view bytes) {
    std::string native(DataSize(), '\0');
    bytes.copy(native.data(), native.size());
    SetData(native.data());
}

bool TVarBytesField::ReadBytes(std::string& bytes) const {
    bytes.assign(DataSize(), '\0');
    if (!GetData(bytes.data())) {
        bytes.clear();
        return false;
    }
    uint16_t length = 0;
    std::memcpy(&length, bytes.data(), sizeof length);
    bytes.erase(0, sizeof length);
    bytes.resize(std::min<size_t>(length, static_cast<size_t>(Size())));
    return true;
}

void TVarBytesField::WriteBytes(std::string_view bytes) {
    std::string native(DataSize(), '\0');
    const uint16_t length =
        static_cast<uint16_t>(bytes.copy(native.data() + sizeof(uint16_t), static_cast<size_t>(Size())));
    std::memcpy(native.data(), &length, sizeof length);
    SetData(native.data());
}

}  // namespace kartei
