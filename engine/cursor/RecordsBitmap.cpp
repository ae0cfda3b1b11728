#include "engine/cursor/RecordsBitmap.h"

#include <bit>
#include <cstddef>

namespace kartei {

namespace {
constexpr int32_t kWordBits = 64;
}

void TRecordsBitmap::Reset(int32_t slotCount) {
    slots_ = slotCount > 0 ? slotCount : 0;
    words_.assign(static_cast<size_t>(slots_ / kWordBits + 1), 0);
    count_ = 0;
}

void TRecordsBitmap::Set(int32_t recordNumber) {
    if (recordNumber < 1 || recordNumber > slots_ || Test(recordNumber)) {
        return;
    }
    words_[static_cast<size_t>(recordNumber / kWordBits)] |= uint64_t{1} << (recordNumber % kWordBits);
    ++count_;
}

bool TRecordsBitmap::Test(int32_t recordNumber) const {
    if (recordNumber < 1 || recordNumber > slots_) {
        return false;
    }
    return ((words_[static_cast<size_t>(recordNumber / kWordBits)] >> (recordNumber % kWordBits)) & 1) != 0;
}

int32_t TRecordsBitmap::Next(int32_t recordNumber) const {
    int32_t from = recordNumber < 0 ? 1 : recordNumber + 1;
    while (from <= slots_) {
        const size_t word = static_cast<size_t>(from / kWordBits);
        const uint64_t bits = words_[word] >> (from % kWordBits);
        if (bits != 0) {
            const int32_t found = from + std::countr_zero(bits);
            return found <= slots_ ? found : 0;
        }
        from = static_cast<int32_t>(word + 1) * kWordBits;
    }
    return 0;
}

int32_t TRecordsBitmap::Prior(int32_t recordNumber) const {
    int32_t from = recordNumber > slots_ + 1 ? slots_ : recordNumber - 1;
    while (from >= 1) {
        const size_t word = static_cast<size_t>(from / kWordBits);
        const int shift = kWordBits - 1 - from % kWordBits;
        const uint64_t bits = words_[word] << shift;
        if (bits != 0) {
            const int32_t found = from - std::countl_zero(bits);
            return found >= 1 ? found : 0;
        }
        from = static_cast<int32_t>(word) * kWordBits - 1;
    }
    return 0;
}

int32_t TRecordsBitmap::Nth(int32_t n) const {
    if (n < 1 || n > count_) {
        return 0;
    }
    int32_t seen = 0;
    for (size_t word = 0; word < words_.size(); ++word) {
        const int bits = std::popcount(words_[word]);
        if (seen + bits >= n) {
            uint64_t rest = words_[word];
            for (int skip = n - seen - 1; skip > 0; --skip) {
                rest &= rest - 1;
            }
            return static_cast<int32_t>(word) * kWordBits + std::countr_zero(rest);
        }
        seen += bits;
    }
    return 0;
}

int32_t TRecordsBitmap::Rank(int32_t recordNumber) const {
    if (recordNumber < 1) {
        return 0;
    }
    const int32_t last = recordNumber > slots_ ? slots_ : recordNumber;
    int32_t rank = 0;
    const size_t lastWord = static_cast<size_t>(last / kWordBits);
    for (size_t word = 0; word < lastWord; ++word) {
        rank += std::popcount(words_[word]);
    }
    const int keep = last % kWordBits + 1;
    const uint64_t mask = keep == kWordBits ? ~uint64_t{0} : (uint64_t{1} << keep) - 1;
    return rank + std::popcount(words_[lastWord] & mask);
}

}  // namespace kartei
