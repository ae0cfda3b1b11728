#include "dataset/framework/Field.h"

#include <limits>

#include "dataset/framework/DataSet.h"
#include "dataset/framework/DatabaseErrors.h"
#include "dataset/framework/FrameworkMessages.h"

namespace kartei {

TField::TField(TDataSet& dataSet, const TFieldDef& def, TAlignment alignment, int displayWidth)
    : dataSet_(&dataSet),
      fieldName_(def.Name),
      dataType_(def.DataType),
      size_(def.Size),
      fieldNo_(def.FieldNo),
      fieldKind_(def.InternalCalcField ? TFieldKind::fkInternalCalc : TFieldKind::fkData),
      required_(def.Required),
      displayWidth_(displayWidth),
      alignment_(alignment) {}

bool TField::CanModify() const {
    return !readOnly_ && fieldKind_ == TFieldKind::fkData && dataSet_->Active() && dataSet_->CanModify();
}

void TField::SetLookupDefinition(TDataSet& lookupDataSet, std::string keyFields, std::string lookupKeyFields,
                                 std::string lookupResultField) {
    fieldKind_ = TFieldKind::fkLookup;
    lookupDataSet_ = &lookupDataSet;
    keyFields_ = std::move(keyFields);
    lookupKeyFields_ = std::move(lookupKeyFields);
    lookupResultField_ = std::move(lookupResultField);
}

void TField::FocusControl() {
    TField* field = this;
    dataSet_->DataEvent(TDataEvent::deFocusControl, {.FocusField = &field});
}

void TField::SetValue(const TVariant& value) {
    if (value.IsNull()) {
        Clear();
    } else {
        SetVarValue(value);
    }
}

int32_t TField::AsInteger() const {
    AccessError(kTypeNameInteger);
}

void TField::SetAsInteger(int32_t) {
    AccessError(kTypeNameInteger);
}

int64_t TField::AsLargeInt() const {
    return AsInteger();
}

void TField::SetAsLargeInt(int64_t value) {
    if (value >= std::numeric_limits<int32_t>::min() && value <= std::numeric_limits<int32_t>::max()) {
        SetAsInteger(static_cast<int32_t>(value));
    } else {
        SetAsFloat(static_cast<double>(value));
    }
}

double TField::AsFloat() const {
    AccessError(kTypeNameFloat);
}

void TField::SetAsFloat(double) {
    AccessError(kTypeNameFloat);
}

bool TField::AsBoolean() const {
    AccessError(kTypeNameBoolean);
}

void TField::SetAsBoolean(bool) {
    AccessError(kTypeNameBoolean);
}

TDateTime TField::AsDateTime() const {
    AccessError(kTypeNameDateTime);
}

void TField::SetAsDateTime(TDateTime) {
    AccessError(kTypeNameDateTime);
}

bool TField::GetData(void* buffer) const {
    return dataSet_->GetFieldData(*this, buffer);
}

void TField::SetData(const void* buffer) {
    BeginWrite();
    dataSet_->SetFieldData(*this, buffer);
    EndWrite();
}

void TField::BeginWrite() const {
    const TDataSetState state = dataSet_->State();
    const bool keyOrFilter = state == TDataSetState::dsSetKey || state == TDataSetState::dsFilter;
    if (!keyOrFilter && state != TDataSetState::dsEdit && state != TDataSetState::dsInsert) {
        RaiseDatabaseError(kSNotEditing);
    }
    if (readOnly_ && !keyOrFilter) {
        RaiseDatabaseError(FormatMessage(kSFieldReadOnly, {DisplayLabel()}));
    }
}

void TField::EndWrite() {
    const TDataSetState state = dataSet_->State();
    if (state != TDataSetState::dsFilter && state != TDataSetState::dsCalcFields) {
        dataSet_->DataEvent(TDataEvent::deFieldChange, {.Field = this});
    }
}

void TField::AccessError(std::string_view typeName) const {
    RaiseDatabaseError(FormatMessage(kSFieldAccessError, {DisplayLabel(), typeName}));
}

void TField::RangeError(std::string_view value, std::string_view minimum, std::string_view maximum) const {
    RaiseDatabaseError(FormatMessage(kSFieldRangeError, {value, DisplayLabel(), minimum, maximum}));
}

}  // namespace kartei
