#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "dataset/framework/FieldDefs.h"
#include "dataset/framework/FieldTypes.h"
#include "dataset/framework/ValueConvert.h"
#include "dataset/framework/Variant.h"

namespace kartei {

class TDataSet;

// One field of a dataset's current record. The value lives in the dataset's record buffer; a field
// reads and writes it through the dataset's GetFieldData and SetFieldData in a native form of
// DataSize() bytes that each field class defines (engine-agnostic: integers and doubles in host order,
// text as single-byte characters). Reading a null field gives the empty text, 0 or false.
//
// Writes are checked first: the dataset must be in edit, insert, set-key or filter state
// ("Datenmenge weder im Editier- noch im Einfügemodus"), and a read-only field can only be written in
// set-key or filter state ("Feld '%s' kann nicht verändert werden"). A write in any state other than
// filter and calc-fields notifies the links (deFieldChange).
//
// Conversions that a type does not offer raise "Zugriff auf Feld '%s' als Typ %s nicht möglich"; texts
// that hold no value of the type raise EConvertError; values outside the type's range raise
// "%s ist kein gültiger Wert für das Feld '%s'. Der erlaubte Bereich ist %s bis %s".
class TField {
public:
    virtual ~TField() = default;
    TField(const TField&) = delete;
    TField& operator=(const TField&) = delete;

    TDataSet& DataSet() const { return *dataSet_; }
    const std::string& FieldName() const { return fieldName_; }
    TFieldType DataType() const { return dataType_; }
    int Size() const { return size_; }
    int FieldNo() const { return fieldNo_; }
    // The position in the dataset's Fields.
    int Index() const { return index_; }

    TFieldKind FieldKind() const { return fieldKind_; }
    bool Required() const { return required_; }
    void SetRequired(bool required) { required_ = required; }
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool readOnly) { readOnly_ = readOnly; }
    bool Visible() const { return visible_; }
    void SetVisible(bool visible) { visible_ = visible; }
    // The label set, or the field name while none is set.
    const std::string& DisplayLabel() const { return displayLabel_.empty() ? fieldName_ : displayLabel_; }
    void SetDisplayLabel(std::string label) { displayLabel_ = std::move(label); }
    // In characters.
    int DisplayWidth() const { return displayWidth_; }
    void SetDisplayWidth(int width) { displayWidth_ = width; }
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment alignment) { alignment_ = alignment; }

    // A lookup field stands for the LookupResultField of the record of LookupDataSet whose
    // LookupKeyFields equal this dataset's KeyFields. Giving the definition makes the field a lookup field.
    TDataSet* LookupDataSet() const { return lookupDataSet_; }
    const std::string& KeyFields() const { return keyFields_; }
    const std::string& LookupKeyFields() const { return lookupKeyFields_; }
    const std::string& LookupResultField() const { return lookupResultField_; }
    void SetLookupDefinition(TDataSet& lookupDataSet, std::string keyFields, std::string lookupKeyFields,
                             std::string lookupResultField);

    // Bytes of the native form; 0 for blob fields, whose contents go through the dataset's blob hooks.
    virtual size_t DataSize() const = 0;
    virtual bool IsBlob() const { return false; }

    bool IsNull() const { return !GetData(nullptr); }
    void Clear() { SetData(nullptr); }
    // Whether the user may change the field: a data field, not read-only, of a dataset that can be modified.
    bool CanModify() const;
    // Asks the controls showing this field to take the focus.
    void FocusControl();

    virtual TVariant Value() const = 0;
    // Null clears the field; any other value is converted to the field's type.
    void SetValue(const TVariant& value);

    virtual std::string AsString() const = 0;
    virtual void SetAsString(std::string_view text) = 0;
    virtual int32_t AsInteger() const;
    virtual void SetAsInteger(int32_t value);
    virtual int64_t AsLargeInt() const;
    virtual void SetAsLargeInt(int64_t value);
    virtual double AsFloat() const;
    virtual void SetAsFloat(double value);
    virtual bool AsBoolean() const;
    virtual void SetAsBoolean(bool value);
    virtual TDateTime AsDateTime() const;
    virtual void SetAsDateTime(TDateTime value);
    // The text a control shows.
    virtual std::string DisplayText() const { return AsString(); }

    // The native form, through the dataset: false when the field is null (`buffer` may be null to ask
    // only that). SetData with a null buffer makes the field null.
    bool GetData(void* buffer) const;
    void SetData(const void* buffer);

protected:
    TField(TDataSet& dataSet, const TFieldDef& def, TAlignment alignment, int displayWidth);

    virtual void SetVarValue(const TVariant& value) = 0;

    // The checks before a write and the notification after it, for writes that do not go through SetData.
    void BeginWrite() const;
    void EndWrite();

    [[noreturn]] void AccessError(std::string_view typeName) const;
    [[noreturn]] void RangeError(std::string_view value, std::string_view minimum,
                                 std::string_view maximum) const;

private:
    friend class TFields;

    TDataSet* dataSet_;
    std::string fieldName_;
    TFieldType dataType_;
    int size_;
    int fieldNo_;
    int index_ = -1;
    TFieldKind fieldKind_;
    bool required_;
    bool readOnly_ = false;
    bool visible_ = true;
    std::string displayLabel_;
    int displayWidth_;
    TAlignment alignment_;
    TDataSet* lookupDataSet_ = nullptr;
    std::string keyFields_;
    std::string lookupKeyFields_;
    std::string lookupResultField_;
};

}  // namespace kartei
