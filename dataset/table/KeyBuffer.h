#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

namespace kartei {

// A key buffer of a table dataset: an 8-byte header (byte 0: modified; bytes 4..7: the number of key fields
// in use) followed by a record image from which the key is built.
class TKeyBuffer {
public:
    static constexpr size_t kHeaderSize = 8;

    void Allocate(size_t recordSize) { bytes_.assign(kHeaderSize + recordSize, 0); }
    void Free() { bytes_ = {}; }
    bool Allocated() const { return !bytes_.empty(); }

    bool Modified() const { return bytes_[0] != 0; }
    void SetModified(bool modified) { bytes_[0] = modified ? 1 : 0; }
    int32_t FieldCount() const {
        int32_t count;
        std::memcpy(&count, bytes_.data() + 4, sizeof(count));
        return count;
    }
    void SetFieldCount(int32_t count) { std::memcpy(bytes_.data() + 4, &count, sizeof(count)); }
    uint8_t* Record() { return bytes_.data() + kHeaderSize; }
    const uint8_t* Record() const { return bytes_.data() + kHeaderSize; }
    size_t RecordSize() const { return bytes_.size() - kHeaderSize; }

    // Header and image all zero.
    void Clear() { std::fill(bytes_.begin(), bytes_.end(), 0); }
    bool operator==(const TKeyBuffer& other) const { return bytes_ == other.bytes_; }

private:
    std::vector<uint8_t> bytes_;
};

}  // namespace kartei
