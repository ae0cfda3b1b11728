#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <initializer_list>
#include <sstream>
#include <string>
#include <vector>

#include "engine/files/FileTestSupport.h"
#include "tools/Kartei.h"

namespace kartei::tools::testing {

using kartei::testing::ReadBytes;
using kartei::testing::TTempDir;
using kartei::testing::WriteBytes;

// What one run of the tool gave.
struct TRun {
    int Status = -1;
    std::string Out;
    std::string Err;
};

// Runs the tool in-process, as `kartei ARGUMENTS...` would.
inline TRun Kartei(const std::vector<std::string>& arguments) {
    std::ostringstream out;
    std::ostringstream err;
    TRun run;
    run.Status = RunKartei(arguments, out, err);
    run.Out = out.str();
    run.Err = err.str();
    return run;
}
inline TRun Kartei(std::initializer_list<std::string> arguments) {
    return Kartei(std::vector<std::string>(arguments));
}

// The files in a folder, by name.
inline std::vector<std::string> FilesIn(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

// CSV lines as the tool writes them: CRLF after each.
inline std::string CsvLines(std::initializer_list<std::string> lines) {
    std::string text;
    for (const std::string& line : lines) {
        text += line + "\r\n";
    }
    return text;
}

// The lines of a text, without their line ends.
inline std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        lines.push_back(line);
    }
    return lines;
}

}  // namespace kartei::tools::testing
