#pragma once

#include <sys/types.h>

#include <cstdint>
#include <ostream>
#include <string>

namespace kartei::tools::model {

// The test program run again as another process on a table: TOtherProcess starts it with this filter and
// environment, and the test of that name calls RunOtherWriter.
constexpr const char* kOtherProcessTest = "ModelConcurrentChild.Run";
constexpr const char* kOtherFolderVariable = "KARTEI_MODEL_OTHER_FOLDER";
constexpr const char* kOtherSeedVariable = "KARTEI_MODEL_OTHER_SEED";

// The other process's part on the workload's table in the folder: until a file "stop" appears there (or its
// parent is gone) it inserts records and deletes those it inserted, as fast as it can with a short random
// pause between changes. Returns 0, or 1 after an unexpected error, which it writes to `err`.
int RunOtherWriter(const std::string& folder, uint32_t seed, std::ostream& err);

// Starts the other process and waits until it has made its first change; Stop asks it to end and waits.
class TOtherProcess {
public:
    TOtherProcess(const std::string& folder, uint32_t seed);
    // Stops it if that has not been done.
    ~TOtherProcess();
    TOtherProcess(const TOtherProcess&) = delete;
    TOtherProcess& operator=(const TOtherProcess&) = delete;

    // Whether it ended as it should.
    bool Stop();

private:
    std::string folder_;
    pid_t pid_ = -1;
};

}  // namespace kartei::tools::model
