#pragma once

#include <QAbstractScrollArea>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "dataset/framework/DataSource.h"
#include "dataset/framework/Field.h"
#include "dataset/framework/Variant.h"
#include "lookup/DataSourceLink.h"
#include "lookup/ListSourceLink.h"
#include "lookup/LookupEvents.h"

namespace kartei {

// The data-aware base of the lookup lists: binds to a list dataset (ListSource) with a key field and
// displayed fields, holds the selection as a key value, keeps the list dataset on the selected key and
// searches it by typed prefix. The selection can also mirror a field of a second dataset (DataSource,
// DataField); when that field is a lookup field, its definition supplies the list dataset and fields.
//
// Texts (field names, search prefix) are cp1252 bytes, as the datasets hold them.
class TDBLookupControl : public QAbstractScrollArea {
    Q_OBJECT

public:
    explicit TDBLookupControl(QWidget* parent = nullptr);
    ~TDBLookupControl() override;

    // ---- Properties ----
    // None while in lookup-field mode.
    TDataSource* ListSource() const;
    void SetListSource(TDataSource* source);
    const std::string& KeyField() const { return keyField_; }
    void SetKeyField(std::string name);
    // Field names separated by ";"; empty shows the key field.
    const std::string& ListField() const { return listField_; }
    void SetListField(std::string names);
    // Which displayed field is searched and shown as the selected text; out of range means the first.
    int ListFieldIndex() const { return listFieldIndex_; }
    void SetListFieldIndex(int index) { listFieldIndex_ = index; }
    TDataSource* DataSource() const { return dataLink_->DataSource(); }
    void SetDataSource(TDataSource* source) { dataLink_->SetDataSource(source); }
    const std::string& DataField() const { return dataField_; }
    void SetDataField(std::string name);
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool readOnly) { readOnly_ = readOnly; }
    const TVariant& SelectedKey() const { return selectedKey_; }
    // Stores the value and runs KeyChanged, unless it equals the selection already held.
    void SetSelectedKey(const TVariant& value);

    // ---- State ----
    bool ListReady() const { return listReady_; }
    TField* KeyFieldRef() const { return keyFieldRef_; }
    const std::vector<TField*>& ListFieldRefs() const { return listFieldRefs_; }
    TField* DisplayField() const { return displayField_; }
    TField* DataFieldRef() const { return dataFieldRef_; }
    TField* DataKeyFieldRef() const { return dataKeyFieldRef_; }
    bool LookupMode() const { return lookupMode_; }
    const std::string& SearchPrefix() const { return searchPrefix_; }
    bool HasInputFocus() const { return hasInputFocus_; }
    // Visible and enabled, so that it can take the keyboard focus.
    bool CanFocus() const { return isVisible() && isEnabled(); }

    // Two keys are equal when the variant comparison says so; values that do not compare differ.
    static bool KeysEqual(const TVariant& a, const TVariant& b) { return a == b; }

    // ---- Events ----
    TNotifyEvent OnClick;
    // The control gains or loses the keyboard focus within its window (not when the window itself is
    // activated or deactivated, nor for a pop-up menu).
    TNotifyEvent OnEnter;
    TNotifyEvent OnExit;
    TKeyEvent OnKeyDown;
    TKeyPressEvent OnKeyPress;

    static constexpr size_t kMaxSearchPrefix = 32;
    // A typed character extends the prefix when it follows the previous one within this time.
    static constexpr int32_t kSearchPauseTicks = 2000;

protected:
    // ---- Virtual operations, in slot order ----
    virtual bool CanChangeSelection() const;
    // The frame's share of the height: the top and bottom frame widths.
    virtual int BorderSize() const;
    // The text height of the control's font.
    virtual int RowHeight() const;
    virtual void KeyChanged() {}
    virtual void ListDataChanged() {}
    // Puts the list dataset on the selected key; false when there is none, it is not found, or the
    // search fails.
    virtual bool SyncToKey();
    virtual void HandleSearchChar(unsigned char c);
    virtual void ChooseKey(const TVariant& value);
    virtual void BindDataField();
    virtual void BindListFields();

    TListSourceLink& ListLink() const { return *listLink_; }
    // The list link's dataset; only while the list is bound.
    TDataSet& ListDataSet() const { return *listLink_->DataSet(); }
    void ClearSearchPrefix() { searchPrefix_.clear(); }

    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    friend class TListSourceLink;
    friend class TDataSourceLink;

    // The data-record reaction: a change of the data key field (or of the whole record) becomes the
    // selection.
    void DataRecordChanged(TField* field);
    void SetLookupMode(TField* lookupField);
    void CheckNotLookup() const;
    void CheckNotCircular() const;
    // The dataset's field of that name, or "Das Feld '%s' wurde nicht gefunden" for this control.
    TField& FieldProperty(const TDataSet& dataSet, std::string_view name) const;
    [[noreturn]] void FieldNotFound(std::string_view name) const;

    std::unique_ptr<TDataSource> lookupSource_;
    std::unique_ptr<TListSourceLink> listLink_;
    std::unique_ptr<TDataSourceLink> dataLink_;

    std::string keyField_;
    std::string listField_;
    int listFieldIndex_ = 0;
    std::string dataField_;
    bool readOnly_ = false;
    TVariant selectedKey_;

    TField* keyFieldRef_ = nullptr;
    std::vector<TField*> listFieldRefs_;
    TField* displayField_ = nullptr;
    bool listReady_ = false;
    std::string searchPrefix_;
    bool hasInputFocus_ = false;
    TField* dataFieldRef_ = nullptr;
    TField* dataKeyFieldRef_ = nullptr;
    bool lookupMode_ = false;

    // Shared by all lookup controls: a key typed in one counts as recent for the others.
    static inline uint32_t lastSearchTick_ = 0;
};

}  // namespace kartei
