#include "engine/os/OsFileSystem.h"

#include <atomic>

#include "engine/os/PosixFileSystem.h"

namespace kartei {
namespace {

std::atomic<TOsFileSystem*>& Current() {
    static std::atomic<TOsFileSystem*> current{&PosixFileSystem()};
    return current;
}

}  // namespace

TOsFileSystem& OsFileSystem() {
    return *Current().load(std::memory_order_acquire);
}

TOsFileSystem* SetOsFileSystem(TOsFileSystem* replacement) {
    return Current().exchange(replacement != nullptr ? replacement : &PosixFileSystem(),
                              std::memory_order_acq_rel);
}

}  // namespace kartei
