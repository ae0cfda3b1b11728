#pragma once

#include <cstddef>
#include <deque>
#include <string>

namespace kartei::tools::model {

// The last lines of what a run did, for its failure report.
class TRecentLines {
public:
    explicit TRecentLines(size_t keep) : keep_(keep) {}

    void Add(std::string line) {
        lines_.push_back(std::move(line));
        if (lines_.size() > keep_) {
            lines_.pop_front();
        }
    }
    // One line each, ending in a line break.
    std::string Text() const {
        std::string text;
        for (const std::string& line : lines_) {
            text += line + "\n";
        }
        return text;
    }

private:
    size_t keep_;
    std::deque<std::string> lines_;
};

}  // namespace kartei::tools::model
