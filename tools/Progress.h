#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>

namespace kartei::tools {

// Counts the records of a long run and tells how far it got: a line on `err` every 10,000 records
// ("kartei import: 20000 records"), none when quiet.
class TProgress {
public:
    TProgress(std::ostream& err, std::string command, bool quiet);

    // One record more.
    void Step();
    int64_t Count() const { return count_; }
    bool Quiet() const { return quiet_; }

private:
    std::ostream& err_;
    std::string command_;
    bool quiet_;
    int64_t count_ = 0;
};

// "1 record", "0 records", "12 records".
std::string RecordsText(int64_t count);

}  // namespace kartei::tools
