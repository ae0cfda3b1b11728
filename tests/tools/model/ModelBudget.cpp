#include "tools/model/ModelBudget.h"

#include <cstdlib>
#include <string>

namespace kartei::tools::model {
namespace {

// Sanitized builds run several times slower; CI runs them besides the normal build.
#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KARTEI_MODEL_SANITIZED
#endif
#endif
#if defined(__SANITIZE_ADDRESS__) || defined(KARTEI_MODEL_SANITIZED)
constexpr double kSanitizerShare = 0.25;
#else
constexpr double kSanitizerShare = 1.0;
#endif

const char* Variable(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0' ? value : nullptr;
}

}  // namespace

TSeedBudget::TSeedBudget(double defaultSeconds) : seconds_(defaultSeconds * kSanitizerShare) {
    if (const char* first = Variable("KARTEI_MODEL_FIRST_SEED")) {
        first_ = static_cast<uint32_t>(std::stoul(first));
    }
    if (const char* seed = Variable("KARTEI_MODEL_SEED")) {
        first_ = static_cast<uint32_t>(std::stoul(seed));
        seeds_ = 1;
    } else if (const char* seeds = Variable("KARTEI_MODEL_SEEDS")) {
        seeds_ = std::stoll(seeds);
    } else if (const char* seconds = Variable("KARTEI_MODEL_SECONDS")) {
        seconds_ = std::stod(seconds);
    }
    next_ = first_;
}

bool TSeedBudget::Next(uint32_t& seed) {
    const int64_t run = next_ - first_;
    const bool more =
        seeds_ >= 0 ? run < seeds_
                    : run == 0 || std::chrono::duration<double>(TClock::now() - started_).count() < seconds_;
    if (more) {
        seed = next_++;
    }
    return more;
}

std::string TSeedBudget::Summary() const {
    const double seconds = std::chrono::duration<double>(TClock::now() - started_).count();
    const uint32_t count = next_ - first_;
    return std::to_string(count) + " seeds (" + std::to_string(first_) + " to " + std::to_string(next_ - 1) +
           ") in " + std::to_string(static_cast<int>(seconds)) + " s";
}

int64_t OperationsPerSeed(int64_t fallback) {
    const char* operations = Variable("KARTEI_MODEL_OPERATIONS");
    return operations != nullptr ? std::stoll(operations) : fallback;
}

}  // namespace kartei::tools::model
