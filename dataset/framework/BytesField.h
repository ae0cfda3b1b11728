#pragma once

#include "dataset/framework/Field.h"

namespace kartei {

// ftBytes: Size() raw bytes. Native form: the Size() bytes. The value and the text are the bytes as
// they are (a text holding bytes); a shorter text is padded with zero bytes, a longer one cut.
class TBytesField : public TField {
public:
    TBytesField(TDataSet& dataSet, const TFieldDef& def);

    size_t DataSize() const override { return static_cast<size_t>(Size()); }

    TVariant Value() const override;
    std::string AsString() const override;
    void SetAsString(std::string_view text) override;

protected:
    void SetVarValue(const TVariant& value) override { SetAsString(value.AsString()); }

    // The bytes; false when the field is null.
    virtual bool ReadBytes(std::string& bytes) const;
    virtual void WriteBytes(std::string_view bytes);
};

// ftVarBytes: up to Size() bytes of variable length. Native form: uint16 length, then Size() bytes.
class TVarBytesField : public TBytesField {
public:
    using TBytesField::TBytesField;

    size_t DataSize() const override { return sizeof(uint16_t) + static_cast<size_t>(Size()); }

protected:
    bool ReadBytes(std::string& bytes) const override;
    void WriteBytes(std::string_view bytes) override;
};

}  // namespace kartei
