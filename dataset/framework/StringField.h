#pragma once

#include "dataset/framework/Field.h"

namespace kartei {

// ftString: up to Size() single-byte characters. Native form: the characters and a terminating zero,
// Size() + 1 bytes. Other types convert to and from its text by value (an integer becomes its decimal
// text); writing a longer text keeps its first Size() characters.
class TStringField : public TField {
public:
    TStringField(TDataSet& dataSet, const TFieldDef& def);

    size_t DataSize() const override { return static_cast<size_t>(Size()) + 1; }

    TVariant Value() const override;
    std::string AsString() const override;
    void SetAsString(std::string_view text) override;
    int32_t AsInteger() const override;
    void SetAsInteger(int32_t value) override;
    int64_t AsLargeInt() const override;
    void SetAsLargeInt(int64_t value) override;
    double AsFloat() const override;
    void SetAsFloat(double value) override;
    bool AsBoolean() const override;
    void SetAsBoolean(bool value) override;
    TDateTime AsDateTime() const override;
    void SetAsDateTime(TDateTime value) override;

protected:
    void SetVarValue(const TVariant& value) override { SetAsString(value.AsString()); }

private:
    // The text read as a value by `parse`, or the value's zero when the field is null.
    template <typename Parse>
    auto Parsed(Parse parse) const -> decltype(parse(std::string_view{}));

    bool ReadText(std::string& text) const;
};

}  // namespace kartei
