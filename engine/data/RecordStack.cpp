#include "engine/data/RecordStack.h"

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <new>
#include <type_traits>
#include <utility>

#include "engine/data/SlotLimits.h"

namespace kartei {
namespace {

// About this much memory per slab: a few dozen wide records, a few hundred narrow ones.
constexpr size_t kSlabBytes = 16384;
constexpr size_t kMaxSlabSlots = 256;

// Slabs are freed without running the records' destructors.
static_assert(std::is_trivially_destructible_v<TRecord>);

}  // namespace

TRecordStack::TSlab::TSlab(size_t stride, size_t slots)
    : Memory(stride * slots), Stride(stride), Slots(slots) {
    Memory.Reserve(stride * slots);
    OffLimits(Memory.Data(), stride * slots);
}

void TRecordStack::Return(TRecord& record) {
    spares_.push_back(&record);
    OffLimits(record.ImageBytes(), record.capacity_);
}

TRecord& TRecordStack::Take(uint16_t imageSize) {
    // A spare too small stays below: only a record size changed by another user makes one (Shrink frees it).
    if (!spares_.empty() && spares_.back()->capacity_ >= imageSize) {
        TRecord& spare = *spares_.back();
        spares_.pop_back();
        spare.Clear(imageSize);
        return spare;
    }
    return Make(imageSize);
}

TRecord& TRecordStack::Make(uint16_t imageSize) {
    constexpr size_t kAlign = alignof(TRecord);
    const size_t stride = (sizeof(TRecord) + imageSize + kAlign - 1) / kAlign * kAlign;
    if (slabs_.empty() || slabs_.back().Made == slabs_.back().Slots || slabs_.back().Stride < stride) {
        slabs_.emplace_back(stride, std::clamp<size_t>(kSlabBytes / stride, 1, kMaxSlabSlots));
    }
    TSlab& slab = slabs_.back();
    InLimits(reinterpret_cast<uint8_t*>(slab.At(slab.Made)), sizeof(TRecord));
    TRecord* record = new (slab.At(slab.Made)) TRecord(dataFile_);
    record->capacity_ = static_cast<uint16_t>(std::min<size_t>(slab.Stride - sizeof(TRecord), UINT16_MAX));
    record->Clear(imageSize);
    ++slab.Made;
    return *record;
}

size_t TRecordStack::MadeCount() const {
    size_t made = 0;
    for (const TSlab& slab : slabs_) {
        made += slab.Made;
    }
    return made;
}

void TRecordStack::Shrink(size_t maxMade, const std::function<void(TRecord&)>& leave) {
    size_t made = MadeCount();
    if (made <= maxMade) {
        return;
    }
    std::vector<TRecord*> spare(spares_);
    std::sort(spare.begin(), spare.end());
    const auto inUse = [&spare](TRecord* record) {
        return !std::binary_search(spare.begin(), spare.end(), record);
    };
    // The slabs all spare first, then the least used.
    std::vector<std::pair<size_t, size_t>> order;
    for (size_t k = 0; k < slabs_.size(); ++k) {
        TSlab& slab = slabs_[k];
        size_t used = 0;
        for (size_t slot = 0; slot < slab.Made; ++slot) {
            used += inUse(slab.At(slot)) ? 1 : 0;
        }
        order.emplace_back(used, k);
    }
    std::sort(order.begin(), order.end());

    std::vector<bool> freed(slabs_.size(), false);
    for (const auto& [used, k] : order) {
        TSlab& slab = slabs_[k];
        if (used == 0 && made <= maxMade) {
            break;
        }
        if (used > 0) {
            // Emptying a slab costs its records their place in the cache: only for more than a slab over,
            // and only when none of them is changed or held.
            if (made <= maxMade + slab.Slots || !MayEmpty(slab, inUse)) {
                continue;
            }
            for (size_t slot = 0; slot < slab.Made; ++slot) {
                if (inUse(slab.At(slot))) {
                    leave(*slab.At(slot));
                }
            }
        }
        freed[k] = true;
        made -= slab.Made;
    }
    // The last slab kept, which makes the next records, gives up the spares at its end.
    size_t last = slabs_.size();
    while (last > 0 && freed[last - 1]) {
        --last;
    }
    if (last > 0) {
        TSlab& slab = slabs_[last - 1];
        while (made > maxMade && slab.Made > 0 && !inUse(slab.At(slab.Made - 1))) {
            --slab.Made;
            --made;
            OffLimits(reinterpret_cast<uint8_t*>(slab.At(slab.Made)), slab.Stride);
        }
    }
    Forget(freed);
}

bool TRecordStack::MayEmpty(TSlab& slab, const std::function<bool(TRecord*)>& inUse) {
    for (size_t slot = 0; slot < slab.Made; ++slot) {
        TRecord* record = slab.At(slot);
        if ((record->Dirty() || record->PinCount() != 0) && inUse(record)) {
            return false;
        }
    }
    return true;
}

void TRecordStack::Forget(const std::vector<bool>& freed) {
    // Slabs by address, to find the one of each spare.
    std::vector<std::pair<const uint8_t*, size_t>> byAddress;
    for (size_t k = 0; k < slabs_.size(); ++k) {
        byAddress.emplace_back(slabs_[k].Memory.Data(), k);
    }
    std::sort(byAddress.begin(), byAddress.end());
    std::erase_if(spares_, [&](TRecord* record) {
        const auto at = std::make_pair(reinterpret_cast<const uint8_t*>(record), SIZE_MAX);
        const size_t k = std::prev(std::upper_bound(byAddress.begin(), byAddress.end(), at))->second;
        return freed[k] || record >= slabs_[k].At(slabs_[k].Made);
    });
    size_t kept = 0;
    for (size_t k = 0; k < slabs_.size(); ++k) {
        if (!freed[k]) {
            if (kept != k) {
                slabs_[kept] = std::move(slabs_[k]);
            }
            ++kept;
        }
    }
    slabs_.erase(slabs_.begin() + static_cast<std::ptrdiff_t>(kept), slabs_.end());
}

}  // namespace kartei
