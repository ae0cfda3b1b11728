// Pages kept as stored: fixed-width entries read in place, compressed ones decompressed one by one as they
// are read.
#include <cstring>

#include "engine/format/Bytes.h"
#include "engine/index/EntryCodec.h"
#include "engine/index/Page.h"

namespace kartei {

template <size_t FixedKey>
void TPage::CopyFixedEntries(const uint8_t* in, size_t diskSize, int count, size_t keyLength, bool leaf,
                             uint8_t* out, size_t stride) {
    const size_t key = FixedKey != 0 ? FixedKey : keyLength;
    for (int k = 0; k < count; ++k, in += diskSize, out += stride) {
        std::memcpy(out, in, key);
        WriteExtra(out + key, ReadU32(in + key), leaf ? 1 : ReadU32(in + key + 4), TEntryForm{});
    }
}

void TPage::TakeFixedEntries(const uint8_t* data, int count, size_t diskSize) {
    packedBytes_.Reserve(kPageDataSize);
    std::memcpy(packedBytes_.Data(), data, static_cast<size_t>(count) * diskSize);
    fixedStride_ = diskSize;
    countsBefore_.clear();
    count_ = count;
    packed_ = count > 0;
}

bool TPage::TakePackedEntries(const uint8_t* data, int count) {
    packedEntries_.resize(static_cast<size_t>(count));
    const size_t at = ReadLeafForms(geometry_, data, count, packedEntries_.data());
    if (at == 0 && count > 0) {
        return false;
    }
    packedBytes_.Reserve(kPageDataSize);
    std::memcpy(packedBytes_.Data(), data, at);
    fixedStride_ = 0;
    expansion_.Reserve(kExpansionBytes);
    expandedSlot_.assign(static_cast<size_t>(count), kNotExpanded);
    slotEntry_.assign(kExpansionBytes / stride_, 0);
    nextSlot_ = 0;
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
        const uint16_t slot = expandedSlot_[static_cast<size_t>(e - 1)];
        if (slot != kNotExpanded) {
            std::memcpy(key, SlotEntry(slot), missing);
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

void TPage::ExpandInto(int position, uint8_t* key, const uint8_t* previous) const {
    const TLeafEntryPlace& entry = packedEntries_[static_cast<size_t>(position - 1)];
    const uint8_t* in = packedBytes_.Data() + entry.At;
    if (previous != nullptr) {
        std::memcpy(key, previous, entry.Form.Leading);
    } else {
        ExpandSharedBytes(position, entry.Form.Leading, key);
    }
    ExpandLeafKey(geometry_, in, entry.Form, entry.Form.Leading, geometry_.KeyLength, key);
    WriteExtra(key + geometry_.KeyLength, LeafRecordNumber(geometry_, in, entry.Form), 1, entry.Form);
}

uint32_t TPage::PackedValue(int position) const {
    const TLeafEntryPlace& entry = packedEntries_[static_cast<size_t>(position - 1)];
    return LeafRecordNumber(geometry_, packedBytes_.Data() + entry.At, entry.Form);
}

void TPage::ReadNextKey(int position, uint8_t* key) const {
    if (packed_ && fixedStride_ == 0 && expandedSlot_[static_cast<size_t>(position - 1)] == kNotExpanded) {
        // The bytes it shares with the entry before it are in `key` already.
        const TLeafEntryPlace& entry = packedEntries_[static_cast<size_t>(position - 1)];
        ExpandLeafKey(geometry_, packedBytes_.Data() + entry.At, entry.Form, entry.Form.Leading,
                      geometry_.KeyLength, key);
        return;
    }
    std::memcpy(key, Key(position), geometry_.KeyLength);
}

const uint8_t* TPage::ExpandEntry(int position) const {
    const size_t slot = nextSlot_;
    nextSlot_ = (nextSlot_ + 1) % slotEntry_.size();
    // The slot's entry, unless it was forgotten and expanded again elsewhere since, is expanded no longer.
    const uint16_t previous = slotEntry_[slot];
    if (previous != 0 && expandedSlot_[previous - 1] == slot) {
        expandedSlot_[previous - 1] = kNotExpanded;
    }
    uint8_t* key = SlotEntry(slot);
    ExpandInto(position, key, nullptr);
    slotEntry_[slot] = static_cast<uint16_t>(position);
    expandedSlot_[static_cast<size_t>(position - 1)] = static_cast<uint16_t>(slot);
    return key;
}

void TPage::UnpackFixedEntries() const {
    const uint8_t* in = packedBytes_.Data();
    const size_t keyLength = geometry_.KeyLength;
    switch (keyLength) {
        case 5:
            CopyFixedEntries<5>(in, fixedStride_, count_, keyLength, IsLeaf(), entries_.Data(), stride_);
            break;
        case 9:
            CopyFixedEntries<9>(in, fixedStride_, count_, keyLength, IsLeaf(), entries_.Data(), stride_);
            break;
        default:
            CopyFixedEntries<0>(in, fixedStride_, count_, keyLength, IsLeaf(), entries_.Data(), stride_);
            break;
    }
}

void TPage::Unpack() const {
    if (!packed_) {
        return;
    }
    entries_.Reserve(static_cast<size_t>(count_) * stride_);
    if (fixedStride_ != 0) {
        UnpackFixedEntries();
        packed_ = false;
        return;
    }
    for (int k = 1; k <= count_; ++k) {
        uint8_t* out = entries_.Data() + static_cast<size_t>(k - 1) * stride_;
        const uint16_t slot = expandedSlot_[static_cast<size_t>(k - 1)];
        if (slot != kNotExpanded) {
            std::memcpy(out, SlotEntry(slot), stride_);
        } else {
            // In order: each entry takes its shared bytes from the one just written.
            ExpandInto(k, out, k > 1 ? out - stride_ : nullptr);
        }
    }
    packed_ = false;
}

}  // namespace kartei
