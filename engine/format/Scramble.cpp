#include "engine/format/Scramble.h"

namespace kartei {

void ScrambleBytes(std::span<uint8_t> data, uint8_t keyLow, uint8_t keyHigh) {
    if (data.size() % 65536 == 0) {
        return;
    }
    uint8_t low = keyLow;
    uint8_t high = keyHigh;
    for (uint8_t& byte : data) {
        byte ^= low ^ high;
        ++low;
        --high;
    }
}

void UnscrambleDescriptorArea(std::span<uint8_t> area, int64_t engineVersion) {
    ScrambleDescriptorArea(engineVersion == 0 ? area.first(area.size() % 65536) : area);
}

}  // namespace kartei
