#pragma once

#include <cstdint>

// Byte-range locks with which processes share a table. Every lock byte lies above 2000000000 and at
// most at 2147483647, beyond any data the engine stores.
namespace kartei::LockLayout {

// Data file: held while the table is changed or kept for a transaction.
constexpr uint32_t DataWriteLockOffset = 2147483647;
constexpr uint32_t DataWriteLockLength = 1;

// Data file: record N is being edited.
constexpr uint32_t RecordLockOffset(uint32_t record) {
    return 2147483646u - record;
}
constexpr uint32_t RecordLockLength = 1;

// Index and blob files: a writer's range covers every possible read byte.
constexpr uint32_t FileWriteLockOffset = 2147418112;
constexpr uint32_t FileWriteLockLength = 65535;

// Index and blob files: a reader locks one byte, drawn at random, so that many readers coexist.
constexpr uint32_t ReadLockBase = 2147483647;
constexpr uint16_t MinReadLockByte = 1;
constexpr uint16_t MaxReadLockByte = 65534;
constexpr uint32_t ReadLockOffset(uint16_t r) {
    return ReadLockBase - r;
}
constexpr uint32_t ReadLockLength = 1;

// Write and read locks: retries after the first attempt and the pause between attempts.
constexpr uint32_t FileLockRetries = 8192;
constexpr uint32_t FileLockWaitMs = 3;

// Sharing modes of open files are kept as locks on one byte beyond every 32-bit lock range: shared
// openers hold a read lock on it, an exclusive opener a write lock.
constexpr uint64_t SharingLockOffset = uint64_t{1} << 32;
constexpr uint64_t SharingLockLength = 1;

static_assert(FileWriteLockOffset + FileWriteLockLength - 1 == ReadLockOffset(MinReadLockByte) &&
                  FileWriteLockOffset < ReadLockOffset(MaxReadLockByte),
              "a file write lock must cover every read byte");
static_assert(SharingLockOffset > uint64_t{UINT32_MAX}, "sharing byte must lie beyond all table locks");

}  // namespace kartei::LockLayout
