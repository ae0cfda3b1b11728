#include "tools/Progress.h"

#include <ostream>

namespace kartei::tools {
namespace {

// Records between two progress lines.
constexpr int64_t kProgressStep = 10000;

}  // namespace

TProgress::TProgress(std::ostream& err, std::string command, bool quiet)
    : err_(err), command_(std::move(command)), quiet_(quiet) {}

void TProgress::Step() {
    if (++count_ % kProgressStep == 0 && !quiet_) {
        err_ << "kartei " << command_ << ": " << count_ << " records\n" << std::flush;
    }
}

std::string RecordsText(int64_t count) {
    return std::to_string(count) + (count == 1 ? " record" : " records");
}

}  // namespace kartei::tools
