#include "lookup/DBLookupControl.h"

#include <QEvent>
#include <algorithm>

#include "dataset/framework/DataSet.h"
#include "dataset/framework/DatabaseErrors.h"
#include "dataset/framework/FrameworkMessages.h"
#include "dataset/framework/Names.h"

namespace kartei {

TDBLookupControl::TDBLookupControl(QWidget* parent)
    : QAbstractScrollArea(parent),
      lookupSource_(std::make_unique<TDataSource>()),
      listLink_(std::make_unique<TListSourceLink>(this)),
      dataLink_(std::make_unique<TDataSourceLink>(this)) {
    // Clicks focus the control itself (left button only), so Qt's click focus stays off.
    setFocusPolicy(Qt::TabFocus);
    setFrameStyle(QFrame::NoFrame);
    setAutoFillBackground(false);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
}

TDBLookupControl::~TDBLookupControl() {
    listLink_->ForgetControl();
    dataLink_->ForgetControl();
}

TDataSource* TDBLookupControl::ListSource() const {
    return lookupMode_ ? nullptr : listLink_->DataSource();
}

void TDBLookupControl::SetListSource(TDataSource* source) {
    CheckNotLookup();
    listLink_->SetDataSource(source);
}

void TDBLookupControl::SetKeyField(std::string name) {
    CheckNotLookup();
    if (name != keyField_) {
        keyField_ = std::move(name);
        BindListFields();
    }
}

void TDBLookupControl::SetListField(std::string names) {
    if (names != listField_) {
        listField_ = std::move(names);
        BindListFields();
    }
}

void TDBLookupControl::SetDataField(std::string name) {
    if (name != dataField_) {
        dataField_ = std::move(name);
        BindDataField();
    }
}

void TDBLookupControl::SetSelectedKey(const TVariant& value) {
    if (!KeysEqual(selectedKey_, value)) {
        selectedKey_ = value;
        KeyChanged();
    }
}

void TDBLookupControl::CheckNotLookup() const {
    if (lookupMode_) {
        RaiseDatabaseError(kSPropDefByLookup);
    }
}

void TDBLookupControl::CheckNotCircular() const {
    if (listLink_->Active() && ListDataSet().IsLinkedTo(DataSource())) {
        RaiseDatabaseError(kSCircularDataLink);
    }
}

void TDBLookupControl::FieldNotFound(std::string_view name) const {
    RaiseComponentError(objectName().toStdString(), FormatMessage(kSFieldNotFound, {name}));
}

TField& TDBLookupControl::FieldProperty(const TDataSet& dataSet, std::string_view name) const {
    TField* field = dataSet.FindField(name);
    if (!field) {
        FieldNotFound(name);
    }
    return *field;
}

void TDBLookupControl::BindListFields() {
    listReady_ = false;
    keyFieldRef_ = nullptr;
    displayField_ = nullptr;
    listFieldRefs_.clear();
    if (!listLink_->Active() || keyField_.empty()) {
        return;
    }
    CheckNotCircular();
    const TDataSet& dataSet = ListDataSet();
    keyFieldRef_ = &FieldProperty(dataSet, keyField_);
    for (const std::string_view name : SplitNames(listField_)) {
        TField* field = dataSet.FindField(name);
        if (!field) {
            FieldNotFound(listField_);
        }
        listFieldRefs_.push_back(field);
    }
    if (lookupMode_) {
        TField* result = &FieldProperty(dataSet, dataFieldRef_->LookupResultField());
        if (std::find(listFieldRefs_.begin(), listFieldRefs_.end(), result) == listFieldRefs_.end()) {
            listFieldRefs_.insert(listFieldRefs_.begin(), result);
        }
        displayField_ = result;
    } else {
        if (listFieldRefs_.empty()) {
            listFieldRefs_.push_back(keyFieldRef_);
        }
        const bool inRange =
            listFieldIndex_ >= 0 && listFieldIndex_ < static_cast<int>(listFieldRefs_.size());
        displayField_ = listFieldRefs_[inRange ? static_cast<size_t>(listFieldIndex_) : 0];
    }
    listReady_ = true;
}

void TDBLookupControl::BindDataField() {
    dataFieldRef_ = nullptr;
    dataKeyFieldRef_ = nullptr;
    if (dataLink_->Active() && !dataField_.empty()) {
        CheckNotCircular();
        const TDataSet& dataSet = *dataLink_->DataSet();
        dataFieldRef_ = &FieldProperty(dataSet, dataField_);
        dataKeyFieldRef_ = dataFieldRef_->FieldKind() == TFieldKind::fkLookup
                               ? &FieldProperty(dataSet, dataFieldRef_->KeyFields())
                               : dataFieldRef_;
    }
    const bool lookupField = dataFieldRef_ && dataFieldRef_->FieldKind() == TFieldKind::fkLookup;
    SetLookupMode(lookupField ? dataFieldRef_ : nullptr);
    DataRecordChanged(nullptr);
}

void TDBLookupControl::SetLookupMode(TField* lookupField) {
    if (lookupField) {
        // Detached first, so that attaching binds the list afresh for this lookup field.
        listLink_->SetDataSource(nullptr);
        lookupSource_->SetDataSet(lookupField->LookupDataSet());
        keyField_ = lookupField->LookupKeyFields();
        lookupMode_ = true;
        listLink_->SetDataSource(lookupSource_.get());
    } else if (lookupMode_) {
        listLink_->SetDataSource(nullptr);
        lookupMode_ = false;
        keyField_.clear();
        lookupSource_->SetDataSet(nullptr);
    }
}

void TDBLookupControl::DataRecordChanged(TField* field) {
    if (!field || field == dataKeyFieldRef_) {
        SetSelectedKey(dataKeyFieldRef_ ? dataKeyFieldRef_->Value() : TVariant());
    }
}

bool TDBLookupControl::CanChangeSelection() const {
    return listReady_ && !readOnly_ && (!DataSource() || (dataKeyFieldRef_ && dataKeyFieldRef_->CanModify()));
}

int TDBLookupControl::BorderSize() const {
    return 2 * frameWidth();
}

int TDBLookupControl::RowHeight() const {
    return fontMetrics().height();
}

bool TDBLookupControl::SyncToKey() {
    const TVariant selected = selectedKey_;
    try {
        if (!selected.IsNull() && listLink_->Active() && ListDataSet().Locate(keyField_, selected, {})) {
            selectedKey_ = selected;
            return true;
        }
    } catch (const std::exception&) {
        // Not being able to find the key is the same as not finding it.
    }
    return false;
}

void TDBLookupControl::ChooseKey(const TVariant& value) {
    if (dataKeyFieldRef_) {
        if (dataLink_->Edit()) {
            dataKeyFieldRef_->SetValue(value);
        }
    } else {
        SetSelectedKey(value);
    }
    viewport()->update();
    if (OnClick) {
        OnClick(this);
    }
}

void TDBLookupControl::changeEvent(QEvent* event) {
    if (event->type() == QEvent::EnabledChange) {
        viewport()->update();
    }
    QAbstractScrollArea::changeEvent(event);
}

}  // namespace kartei
