#include <QFocusEvent>

#include "dataset/framework/DataSet.h"
#include "lookup/DBLookupControl.h"
#include "lookup/TickSource.h"

namespace kartei {
namespace {

constexpr unsigned char kBackspace = 8;
constexpr unsigned char kEscape = 27;
constexpr unsigned char kFirstPrintable = 32;

bool IsSearchable(const TField* field) {
    return field &&
           (field->FieldKind() == TFieldKind::fkData || field->FieldKind() == TFieldKind::fkInternalCalc) &&
           field->DataType() == TFieldType::ftString;
}

// Focus moving between controls of one window, not the window being (de)activated or a pop-up opening.
bool MovesWithinWindow(const QFocusEvent* event) {
    return event->reason() != Qt::ActiveWindowFocusReason && event->reason() != Qt::PopupFocusReason;
}

}  // namespace

void TDBLookupControl::HandleSearchChar(unsigned char c) {
    if (!IsSearchable(displayField_)) {
        return;
    }
    if (c == kBackspace || c == kEscape) {
        searchPrefix_.clear();
        return;
    }
    if (c < kFirstPrintable || !CanChangeSelection()) {
        return;
    }
    const uint32_t now = TickSource().Ticks();
    if (static_cast<int32_t>(now - lastSearchTick_) > kSearchPauseTicks) {
        searchPrefix_.clear();
    }
    lastSearchTick_ = now;
    // Table text is single-byte cp1252, so no character arrives in two halves here.
    if (searchPrefix_.size() >= kMaxSearchPrefix) {
        return;
    }
    std::string text = searchPrefix_;
    text.push_back(static_cast<char>(c));
    bool found = false;
    try {
        found = ListDataSet().Locate(displayField_->FieldName(), TVariant(text),
                                     {TLocateOption::loCaseInsensitive, TLocateOption::loPartialKey});
    } catch (const std::exception&) {
        // A text the field cannot take finds nothing; the user may still erase it.
        searchPrefix_ = std::move(text);
        return;
    }
    if (found) {
        ChooseKey(keyFieldRef_->Value());
        searchPrefix_ = std::move(text);
    }
}

void TDBLookupControl::focusInEvent(QFocusEvent* event) {
    searchPrefix_.clear();
    hasInputFocus_ = true;
    viewport()->update();
    QAbstractScrollArea::focusInEvent(event);
    if (OnEnter && MovesWithinWindow(event)) {
        OnEnter(this);
    }
}

void TDBLookupControl::focusOutEvent(QFocusEvent* event) {
    hasInputFocus_ = false;
    viewport()->update();
    QAbstractScrollArea::focusOutEvent(event);
    if (OnExit && MovesWithinWindow(event)) {
        OnExit(this);
    }
}

}  // namespace kartei
