#include "engine/files/FileLocks.h"

#include <pthread.h>

#include <atomic>
#include <random>

#include "engine/files/LockLayout.h"
#include "engine/os/OsFileSystem.h"

namespace kartei {
namespace {

// Calls attempt() once, then up to retries more times, sleeping waitMs before each retry.
template <typename TAttempt>
bool Retry(uint32_t retries, uint32_t waitMs, TAttempt attempt) {
    if (attempt()) {
        return true;
    }
    for (uint32_t i = 0; i < retries; ++i) {
        OsFileSystem().SleepMs(waitMs);
        if (attempt()) {
            return true;
        }
    }
    return false;
}

// Raised in a forked child, so that it draws other bytes than its parent. Asking for the process id
// instead would cost a system call on every read lock.
std::atomic<unsigned> forkGeneration{1};

void NoteFork() {
    forkGeneration.fetch_add(1, std::memory_order_relaxed);
}

}  // namespace

uint16_t DrawReadLockByte() {
    static const bool forksNoted = pthread_atfork(nullptr, nullptr, NoteFork) == 0;
    thread_local std::minstd_rand generator;
    thread_local unsigned seededFor = 0;
    if (const unsigned generation = forkGeneration.load(std::memory_order_relaxed);
        generation != seededFor || !forksNoted) {
        generator.seed(std::random_device{}());
        seededFor = generation;
    }
    std::uniform_int_distribution<uint16_t> range(LockLayout::MinReadLockByte, LockLayout::MaxReadLockByte);
    return range(generator);
}

bool LockWithRetries(TFileHandler& file, uint32_t offset, uint32_t length, uint32_t retries,
                     uint32_t waitMs) {
    return Retry(retries, waitMs, [&] { return file.LockRange(offset, length); });
}

bool LockDataWrite(TFileHandler& data) {
    return LockWithRetries(data, LockLayout::DataWriteLockOffset, LockLayout::DataWriteLockLength,
                           LockLayout::FileLockRetries, LockLayout::FileLockWaitMs);
}

bool UnlockDataWrite(TFileHandler& data) {
    return data.UnlockRange(LockLayout::DataWriteLockOffset, LockLayout::DataWriteLockLength);
}

bool LockRecord(TFileHandler& data, uint32_t record, uint32_t retries, uint32_t waitMs) {
    return LockWithRetries(data, LockLayout::RecordLockOffset(record), LockLayout::RecordLockLength, retries,
                           waitMs);
}

bool UnlockRecord(TFileHandler& data, uint32_t record) {
    return data.UnlockRange(LockLayout::RecordLockOffset(record), LockLayout::RecordLockLength);
}

bool LockFileWrite(TFileHandler& file) {
    return LockWithRetries(file, LockLayout::FileWriteLockOffset, LockLayout::FileWriteLockLength,
                           LockLayout::FileLockRetries, LockLayout::FileLockWaitMs);
}

bool UnlockFileWrite(TFileHandler& file) {
    return file.UnlockRange(LockLayout::FileWriteLockOffset, LockLayout::FileWriteLockLength);
}

bool LockFileRead(TFileHandler& file, const TReadLockDraw& draw, uint16_t& r) {
    constexpr uint32_t span = LockLayout::MaxReadLockByte - LockLayout::MinReadLockByte + 1;
    return Retry(LockLayout::FileLockRetries, LockLayout::FileLockWaitMs, [&] {
        // Kept in range whatever the draw returns.
        const uint32_t drawn = draw();
        r = static_cast<uint16_t>(LockLayout::MinReadLockByte +
                                  (drawn + span - LockLayout::MinReadLockByte) % span);
        return file.LockRange(LockLayout::ReadLockOffset(r), LockLayout::ReadLockLength);
    });
}

bool UnlockFileRead(TFileHandler& file, uint16_t r) {
    return file.UnlockRange(LockLayout::ReadLockOffset(r), LockLayout::ReadLockLength);
}

}  // namespace kartei
