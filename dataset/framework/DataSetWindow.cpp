// The window of record buffers: filling, scrolling and refilling it, and its size.

#include <algorithm>

#include "base/ScopeGuard.h"
#include "dataset/framework/DataSet.h"
#include "dataset/framework/DatabaseErrors.h"
#include "dataset/framework/FrameworkMessages.h"

namespace kartei {

uint8_t* TDataSet::ActiveBuffer() const {
    return recordCount_ > 0 ? buffers_[static_cast<size_t>(activeRecord_)].get() : nullptr;
}

void TDataSet::RebuildBuffers() {
    bufferSize_ = RecordBufferSize();
    buffers_.resize(static_cast<size_t>(bufferCount_) + 1);
    for (auto& buffer : buffers_) {
        buffer = std::make_unique<uint8_t[]>(bufferSize_);
    }
    ClearBuffers();
}

void TDataSet::ClearBuffers() {
    recordCount_ = 0;
    activeRecord_ = 0;
    currentRecord_ = -1;
    bof_ = true;
    eof_ = true;
}

// The one record just read into row 0 makes up the window.
void TDataSet::ActivateBuffers() {
    recordCount_ = 1;
    activeRecord_ = 0;
    currentRecord_ = 0;
    bof_ = false;
    eof_ = false;
}

void TDataSet::SetCurrentRecord(int row) {
    if (currentRecord_ != row) {
        InternalSetToRecord(buffers_[static_cast<size_t>(row)].get());
        currentRecord_ = row;
    }
}

void TDataSet::UpdateCursorPos() {
    if (recordCount_ > 0) {
        SetCurrentRecord(activeRecord_);
    }
}

// Reads into the buffer after the filled rows. When nothing was read, where the cursor stands is not
// known any more.
bool TDataSet::ReadIntoFreeBuffer(TGetMode mode) {
    TUndoGuard positionLost([this] { CursorPosChanged(); });
    if (GetRecord(buffers_[static_cast<size_t>(recordCount_)].get(), mode, true) == TGetResult::grOK) {
        positionLost.Dismiss();
        return true;
    }
    return false;
}

// Reads the record after the last row. It becomes a new last row; a full window drops its first row.
bool TDataSet::GetNextRecord() {
    if (recordCount_ > 0) {
        SetCurrentRecord(recordCount_ - 1);
    }
    if (!ReadIntoFreeBuffer(TGetMode::gmNext)) {
        return false;
    }
    if (recordCount_ == 0) {
        ActivateBuffers();
        return true;
    }
    if (recordCount_ < bufferCount_) {
        ++recordCount_;
    } else {
        std::rotate(buffers_.begin(), buffers_.begin() + 1, buffers_.end());
    }
    currentRecord_ = recordCount_ - 1;
    return true;
}

// Reads the record before the first row. It becomes row 0, the others move down; a full window drops
// its last row. The current row is left to the caller.
bool TDataSet::GetPriorRecord() {
    if (recordCount_ > 0) {
        SetCurrentRecord(0);
    }
    if (!ReadIntoFreeBuffer(TGetMode::gmPrior)) {
        return false;
    }
    if (recordCount_ == 0) {
        ActivateBuffers();
        return true;
    }
    std::rotate(buffers_.begin(), buffers_.begin() + recordCount_, buffers_.begin() + recordCount_ + 1);
    if (recordCount_ < bufferCount_) {
        ++recordCount_;
    }
    currentRecord_ = 0;
    return true;
}

void TDataSet::GetNextRecords() {
    while (recordCount_ < bufferCount_ && GetNextRecord()) {
    }
}

// Fills the rest of the window with records before the first row; the current record moves down with
// its row.
void TDataSet::FillPriorRecords() {
    while (recordCount_ < bufferCount_ && GetPriorRecord()) {
        ++activeRecord_;
    }
}

void TDataSet::First() {
    CheckBrowseMode();
    DoBeforeScroll();
    ClearBuffers();
    RunThenFinish(
        [this] {
            InternalFirst();
            GetNextRecords();
        },
        [this] {
            bof_ = true;
            DataEvent(TDataEvent::deDataSetChange);
        });
    DoAfterScroll();
}

void TDataSet::Last() {
    CheckBrowseMode();
    DoBeforeScroll();
    ClearBuffers();
    RunThenFinish(
        [this] {
            InternalLast();
            while (recordCount_ < bufferCount_ && GetPriorRecord()) {
            }
        },
        [this] {
            activeRecord_ = std::max(recordCount_ - 1, 0);
            eof_ = true;
            DataEvent(TDataEvent::deDataSetChange);
        });
    DoAfterScroll();
}

int TDataSet::MoveBy(int distance) {
    CheckBrowseMode();
    DoBeforeScroll();
    int moved = 0;
    if ((distance > 0 && !eof_) || (distance < 0 && !bof_)) {
        bof_ = false;
        eof_ = false;
        const int oldRecordCount = recordCount_;
        int scrolled = 0;
        RunThenFinish(
            [&] {
                for (; distance > 0; --distance, ++moved) {
                    if (activeRecord_ < recordCount_ - 1) {
                        ++activeRecord_;
                        continue;
                    }
                    const bool full = recordCount_ == bufferCount_;
                    if (!GetNextRecord()) {
                        eof_ = true;
                        break;
                    }
                    scrolled += full ? 1 : 0;
                    activeRecord_ = recordCount_ - 1;
                }
                for (; distance < 0; ++distance, --moved) {
                    if (activeRecord_ > 0) {
                        --activeRecord_;
                        continue;
                    }
                    const bool full = recordCount_ == bufferCount_;
                    if (!GetPriorRecord()) {
                        bof_ = true;
                        break;
                    }
                    scrolled -= full ? 1 : 0;
                }
            },
            [&] {
                if (recordCount_ != oldRecordCount) {
                    DataEvent(TDataEvent::deDataSetChange);
                } else {
                    DataEvent(TDataEvent::deDataSetScroll, {.Distance = scrolled});
                }
            });
    }
    DoAfterScroll();
    return moved;
}

void TDataSet::Resync(TResyncMode mode) {
    uint8_t* spare = buffers_[static_cast<size_t>(recordCount_)].get();
    if (mode.Contains(TResyncOption::rmExact)) {
        CursorPosChanged();
        if (GetRecord(spare, TGetMode::gmCurrent, true) != TGetResult::grOK) {
            RaiseComponentError(*this, kSRecordNotFound);
        }
    } else if (GetRecord(spare, TGetMode::gmCurrent, false) != TGetResult::grOK &&
               GetRecord(spare, TGetMode::gmNext, false) != TGetResult::grOK &&
               GetRecord(spare, TGetMode::gmPrior, false) != TGetResult::grOK) {
        ClearBuffers();
        DataEvent(TDataEvent::deDataSetChange);
        return;
    }
    const int before = mode.Contains(TResyncOption::rmCenter) ? (bufferCount_ - 1) / 2 : activeRecord_;
    std::swap(buffers_[0], buffers_[static_cast<size_t>(recordCount_)]);
    ActivateBuffers();
    RunThenFinish(
        [&] {
            while (activeRecord_ < before && GetPriorRecord()) {
                ++activeRecord_;
            }
            GetNextRecords();
            FillPriorRecords();
        },
        [this] { DataEvent(TDataEvent::deDataSetChange); });
}

void TDataSet::SetBufferCount(int count) {
    if (count == bufferCount_) {
        return;
    }
    if (buffers_.empty()) {
        bufferCount_ = count;  // allocated when the dataset opens
        return;
    }
    const int oldRecordCount = recordCount_;
    const int oldActiveRecord = activeRecord_;
    if (count < bufferCount_) {
        // Keep the current record: drop rows after it first, then rows before it.
        const int first = std::max(0, activeRecord_ - (count - 1));
        std::rotate(buffers_.begin(), buffers_.begin() + first, buffers_.end());
        recordCount_ = std::min(recordCount_ - first, count);
        activeRecord_ -= first;
        currentRecord_ =
            currentRecord_ >= first && currentRecord_ - first < recordCount_ ? currentRecord_ - first : -1;
        buffers_.resize(static_cast<size_t>(count) + 1);
        bufferCount_ = count;
    } else {
        while (buffers_.size() < static_cast<size_t>(count) + 1) {
            buffers_.push_back(std::make_unique<uint8_t[]>(bufferSize_));
        }
        bufferCount_ = count;
        if (recordCount_ > 0) {
            GetNextRecords();
            FillPriorRecords();
        }
    }
    if (recordCount_ != oldRecordCount || activeRecord_ != oldActiveRecord) {
        DataEvent(TDataEvent::deDataSetChange);
    }
}

}  // namespace kartei
