#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>

namespace kartei::tools {

// Counts the records of a long run and shows how far it got on a terminal: one line on `err`, written over
// every 10,000 records ("kartei import: 20000 records") and wiped when the run ends. Nothing is shown when
// quiet, or when `err` is not standard error on a terminal.
class TProgress {
public:
    TProgress(std::ostream& err, std::string command, bool quiet);
    // `terminal`: whether `err` shows on a terminal.
    TProgress(std::ostream& err, std::string command, bool quiet, bool terminal);
    // Wipes the line.
    ~TProgress();
    TProgress(const TProgress&) = delete;
    TProgress& operator=(const TProgress&) = delete;

    // One record more.
    void Step();
    int64_t Count() const { return count_; }
    bool Quiet() const { return quiet_; }

private:
    std::ostream& err_;
    std::string command_;
    bool quiet_;
    bool shown_;
    int64_t count_ = 0;
    // Characters of the line shown last.
    size_t width_ = 0;
};

// "1 record", "0 records", "12 records".
std::string RecordsText(int64_t count);

}  // namespace kartei::tools
