#include "engine/data/RecordStack.h"

namespace kartei {

TRecord& TRecordStack::Take(size_t imageSize) {
    // Cleared before it leaves the list, so that a failed allocation loses nothing.
    if (!spares_.empty()) {
        TRecord& spare = *spares_.back();
        spare.Clear(imageSize);
        spares_.pop_back();
        return spare;
    }
    auto record = std::make_unique<TRecord>(dataFile_);
    record->Clear(imageSize);
    made_.push_back(std::move(record));
    return *made_.back();
}

}  // namespace kartei
