#include "tools/Progress.h"

#include <unistd.h>

#include <iostream>

namespace kartei::tools {
namespace {

// Records between two updates of the line.
constexpr int64_t kProgressStep = 10000;

}  // namespace

TProgress::TProgress(std::ostream& err, std::string command, bool quiet)
    : TProgress(err, std::move(command), quiet, &err == &std::cerr && isatty(STDERR_FILENO) == 1) {}

TProgress::TProgress(std::ostream& err, std::string command, bool quiet, bool terminal)
    : err_(err), command_(std::move(command)), quiet_(quiet), shown_(terminal && !quiet) {}

TProgress::~TProgress() {
    if (width_ > 0) {
        err_ << '\r' << std::string(width_, ' ') << '\r' << std::flush;
    }
}

void TProgress::Step() {
    if (++count_ % kProgressStep == 0 && shown_) {
        const std::string line = "kartei " + command_ + ": " + std::to_string(count_) + " records";
        err_ << '\r' << line << std::flush;
        width_ = line.size();
    }
}

std::string RecordsText(int64_t count) {
    return std::to_string(count) + (count == 1 ? " record" : " records");
}

}  // namespace kartei::tools
