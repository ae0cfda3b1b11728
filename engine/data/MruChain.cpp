#include "engine/data/MruChain.h"

namespace kartei {

void TMruChain::PushFront(TRecord& record) {
    record.newer_ = nullptr;
    record.older_ = newest_;
    if (newest_ != nullptr) {
        newest_->newer_ = &record;
    } else {
        oldest_ = &record;
    }
    newest_ = &record;
}

void TMruChain::MoveToBack(TRecord& record) {
    if (oldest_ == &record) {
        return;
    }
    Remove(record);
    record.older_ = nullptr;
    record.newer_ = oldest_;
    if (oldest_ != nullptr) {
        oldest_->older_ = &record;
    } else {
        newest_ = &record;
    }
    oldest_ = &record;
}

void TMruChain::Remove(TRecord& record) {
    if (record.newer_ != nullptr) {
        record.newer_->older_ = record.older_;
    } else {
        newest_ = record.older_;
    }
    if (record.older_ != nullptr) {
        record.older_->newer_ = record.newer_;
    } else {
        oldest_ = record.newer_;
    }
    record.newer_ = record.older_ = nullptr;
}

void TMruChain::MoveToFront(TRecord& record) {
    if (newest_ != &record) {
        Remove(record);
        PushFront(record);
    }
}

}  // namespace kartei
