#include "engine/data/Record.h"

#include <cstring>

#include "engine/data/DataFile.h"
#include "engine/data/SlotLimits.h"

namespace kartei {

void TRecord::MarkDirty() {
    if (!dirty_) {
        dirty_ = true;
        if (cached_) {
            ++dataFile_.dirtyCached_;
        }
    }
}

void TRecord::Clear(uint16_t size) {
    InLimits(ImageBytes(), size);
    OffLimits(ImageBytes() + size, capacity_ - size);
    std::memset(ImageBytes(), 0, size);
    size_ = size;
    recordNumber_ = 0;
    pinCount_ = 0;
    dirty_ = false;
    cached_ = false;
    newer_ = nullptr;
    older_ = nullptr;
}

}  // namespace kartei
