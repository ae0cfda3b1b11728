#pragma once

#include <cstddef>
#include <cstdint>

namespace kartei {

// Engine buffers come from the heap zero-filled; every byte in use is counted. A failed allocation
// raises engine error OutOfMemory.
void* EngineAllocate(size_t size);
// Resizes a block; bytes beyond the old size are zero. The block stays valid when this raises.
void* EngineReallocate(void* block, size_t oldSize, size_t newSize);
void EngineRelease(void* block, size_t size);
// Bytes currently held by engine buffers in the whole process.
int64_t EngineMemoryInUse();

// A growable engine buffer: it grows to the requested size rounded up to a multiple of its step, only
// when it must, keeps its contents when it grows, and never shrinks until released.
class TEngineBuffer {
public:
    explicit TEngineBuffer(size_t step);
    ~TEngineBuffer() { Release(); }
    TEngineBuffer(TEngineBuffer&& other) noexcept;
    TEngineBuffer& operator=(TEngineBuffer&& other) noexcept;
    TEngineBuffer(const TEngineBuffer&) = delete;
    TEngineBuffer& operator=(const TEngineBuffer&) = delete;

    // Makes room for at least size bytes.
    void Reserve(size_t size);
    void Release();

    uint8_t* Data() { return data_; }
    const uint8_t* Data() const { return data_; }
    size_t Capacity() const { return capacity_; }
    size_t Step() const { return step_; }

private:
    uint8_t* data_ = nullptr;
    size_t capacity_ = 0;
    size_t step_;
};

}  // namespace kartei
