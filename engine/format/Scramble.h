#pragma once

#include <cstdint>
#include <span>

namespace kartei {

// The scrambling of encrypted tables. Tables written with other keys cannot be read, so these values
// never change.
constexpr uint8_t kRecordScrambleKeyLow = 0x5A;  // records and the field descriptor area
constexpr uint8_t kRecordScrambleKeyHigh = 0xC3;
constexpr uint8_t kTextScrambleKeyLow = 0x2E;  // table description and password
constexpr uint8_t kTextScrambleKeyHigh = 0x97;

// XORs every byte with both bytes of a 16-bit counter that starts at (keyHigh, keyLow); after each byte
// the low byte counts up and the high byte down. The same call scrambles and unscrambles. A block whose
// length is a multiple of 65536 (an empty one included) is left as it is.
void ScrambleBytes(std::span<uint8_t> data, uint8_t keyLow, uint8_t keyHigh);

// A whole record image, as read from or written to the file.
inline void ScrambleRecordImage(std::span<uint8_t> record) {
    ScrambleBytes(record, kRecordScrambleKeyLow, kRecordScrambleKeyHigh);
}

// The characters (not the length byte) of the description or the password.
inline void ScrambleText(std::span<uint8_t> characters) {
    ScrambleBytes(characters, kTextScrambleKeyLow, kTextScrambleKeyHigh);
}

// The field descriptor area as written: one block of field count x 768 bytes.
inline void ScrambleDescriptorArea(std::span<uint8_t> area) {
    ScrambleBytes(area, kRecordScrambleKeyLow, kRecordScrambleKeyHigh);
}

// The field descriptor area as read. Files whose engine-version field is 0 were scrambled with the
// block length taken modulo 65536, so only that many leading bytes are unscrambled.
void UnscrambleDescriptorArea(std::span<uint8_t> area, int64_t engineVersion);

}  // namespace kartei
