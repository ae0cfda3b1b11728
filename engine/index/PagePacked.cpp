// Compressed leaves kept as stored, their entries decompressed one by one as they are read.
#include <cstring>

#include "engine/index/EntryCodec.h"
#include "engine/index/Page.h"

namespace kartei {

bool TPage::TakePackedEntries(const uint8_t* data, int count) {
    packedEntries_.resize(static_cast<size_t>(count));
    const size_t at = ReadLeafForms(geometry_, data, count, packedEntries_.data());
    if (at == 0 && count > 0) {
        return false;
    }
    packedBytes_.Reserve(kPageDataSize);
    std::memcpy(packedBytes_.Data(), data, at);
    Reserve(count);
    std::fill_n(expanded_.begin(), (static_cast<size_t>(count) + 63) / 64, 0);
    count_ = count;
    leafBytes_ = at;
    packed_ = count > 0;
    return true;
}

void TPage::ExpandSharedBytes(int position, size_t length, uint8_t* key) const {
    // Each entry before this one stores its key from its own leading count on; walking back, every entry
    // that shares less than is still missing gives the bytes between. The first entry of a page shares
    // nothing, so the walk ends there at the latest.
    size_t missing = length;
    for (int e = position - 1; missing > 0; --e) {
        if (Expanded(e)) {
            std::memcpy(key, Entry(e), missing);
            return;
        }
        const TLeafEntryPlace& entry = packedEntries_[static_cast<size_t>(e - 1)];
        if (entry.Form.Leading < missing) {
            ExpandLeafKey(geometry_, packedBytes_.Data() + entry.At, entry.Form, entry.Form.Leading, missing,
                          key);
            missing = entry.Form.Leading;
        }
    }
}

void TPage::ExpandEntry(int position) const {
    const TLeafEntryPlace& entry = packedEntries_[static_cast<size_t>(position - 1)];
    const uint8_t* in = packedBytes_.Data() + entry.At;
    uint8_t* key = entries_.Data() + static_cast<size_t>(position - 1) * stride_;
    ExpandSharedBytes(position, entry.Form.Leading, key);
    ExpandLeafKey(geometry_, in, entry.Form, entry.Form.Leading, geometry_.KeyLength, key);
    WriteExtra(key + geometry_.KeyLength, LeafRecordNumber(geometry_, in, entry.Form), 1, entry.Form);
    const auto bit = static_cast<size_t>(position - 1);
    expanded_[bit / 64] |= uint64_t{1} << (bit % 64);
}

void TPage::Unpack() const {
    if (!packed_) {
        return;
    }
    // In order, so that each entry takes its shared bytes from the one before.
    for (int k = 1; k <= count_; ++k) {
        Expand(k);
    }
    packed_ = false;
}

}  // namespace kartei
