#pragma once

#include <cstdint>
#include <functional>

#include "engine/files/FileHandler.h"

namespace kartei {

// The lock primitives of a table's files at the offsets of LockLayout. Each returns whether the lock
// was taken (or released); the table-level rules and errors are TTableLocks'.

// Draws the byte r of a read lock, 1..65534; tests replace it to force collisions.
using TReadLockDraw = std::function<uint16_t()>;

// The process's random draw (reseeded in a forked child, so that parent and child differ).
uint16_t DrawReadLockByte();

// Tries once, then up to retries more times with waitMs between attempts.
bool LockWithRetries(TFileHandler& file, uint32_t offset, uint32_t length, uint32_t retries, uint32_t waitMs);

bool LockDataWrite(TFileHandler& data);
bool UnlockDataWrite(TFileHandler& data);

bool LockRecord(TFileHandler& data, uint32_t record, uint32_t retries, uint32_t waitMs);
bool UnlockRecord(TFileHandler& data, uint32_t record);

// Index and blob files.
bool LockFileWrite(TFileHandler& file);
bool UnlockFileWrite(TFileHandler& file);
// Draws a new r on every attempt; r receives the one locked.
bool LockFileRead(TFileHandler& file, const TReadLockDraw& draw, uint16_t& r);
bool UnlockFileRead(TFileHandler& file, uint16_t r);

}  // namespace kartei
