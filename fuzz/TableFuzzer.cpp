// libFuzzer entry: arbitrary bytes as the files of one table (TableHarness.h).
#include <stdlib.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/TableHarness.h"
#include "kartei/Errors.h"

namespace {

// One scratch folder per fuzzing process, in memory where the system offers it.
const std::string& Folder() {
    static const std::string folder = [] {
        char pattern[] = "/dev/shm/kartei-fuzz-XXXXXX";
        const char* made = mkdtemp(pattern);
        if (made == nullptr) {
            char fallback[] = "/tmp/kartei-fuzz-XXXXXX";
            made = mkdtemp(fallback);
            return std::string(made != nullptr ? made : "/tmp");
        }
        return std::string(made);
    }();
    return folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    kartei::fuzz::ExerciseTable({data, size}, Folder());
    return 0;
}
