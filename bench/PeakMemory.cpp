#include "bench/PeakMemory.h"

#include <malloc.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>

namespace kartei::bench {
namespace {

// A "Vm...:   1234 kB" line of /proc/self/status, in bytes.
int64_t StatusBytes(const char* field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::string prefix = std::string(field) + ":";
    while (std::getline(status, line)) {
        if (line.rfind(prefix, 0) == 0) {
            return std::stoll(line.substr(prefix.size())) * 1024;
        }
    }
    return -1;
}

}  // namespace

int64_t PeakRssGrowth(const std::function<void()>& work) {
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0) {
        return -1;
    }
    std::fflush(nullptr);
    const pid_t child = fork();
    if (child < 0) {
        close(pipeEnds[0]);
        close(pipeEnds[1]);
        return -1;
    }
    if (child == 0) {
        close(pipeEnds[0]);
        int64_t growth = -1;
        try {
            // Memory the parent freed is still resident here and would be reused without showing as
            // growth: hand it back to the system first.
            malloc_trim(0);
            std::ofstream("/proc/self/clear_refs") << "5";
            const int64_t start = StatusBytes("VmRSS");
            work();
            growth = StatusBytes("VmHWM") - start;
        } catch (...) {
            growth = -1;
        }
        const ssize_t written = write(pipeEnds[1], &growth, sizeof growth);
        _exit(written == sizeof growth ? 0 : 1);
    }
    close(pipeEnds[1]);
    int64_t growth = -1;
    if (read(pipeEnds[0], &growth, sizeof growth) != sizeof growth) {
        growth = -1;
    }
    close(pipeEnds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    return growth;
}

}  // namespace kartei::bench
