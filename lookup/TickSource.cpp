#include "lookup/TickSource.h"

#include <chrono>

namespace kartei {
namespace {

class TSystemTicks : public TTickSource {
public:
    uint32_t Ticks() const override {
        const auto now = std::chrono::steady_clock::now().time_since_epoch();
        return static_cast<uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
    }
};

const TSystemTicks systemTicks;
const TTickSource* current = &systemTicks;

}  // namespace

const TTickSource& TickSource() {
    return *current;
}

void SetTickSource(const TTickSource* source) {
    current = source ? source : &systemTicks;
}

}  // namespace kartei
