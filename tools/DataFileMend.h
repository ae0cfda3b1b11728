#pragma once

#include <string>
#include <vector>

namespace kartei::tools {

// Mends what a change cut short by a failing disk can leave in a data file whose table nobody has open:
// record slots beyond the header's count (an insert whose header write failed) are cut off, and a free
// list that leads to a live or unknown slot, or round in a circle (a slot reused or freed without its
// header write), is linked anew from the deleted slots in ascending order. The file is copied to
// `backup` before the first change. Returns one line (UTF-8) per thing done; none for a sound file or one
// whose header cannot be made sense of (verify reports that).
std::vector<std::string> MendDataFile(const std::string& dataFile, const std::string& backup);

}  // namespace kartei::tools
