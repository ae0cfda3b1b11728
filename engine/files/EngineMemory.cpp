#include "engine/files/EngineMemory.h"

#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <utility>

#include "engine/errors/ErrorContext.h"
#include "kartei/ErrorCodes.h"

namespace kartei {
namespace {

std::atomic<int64_t> bytesInUse{0};

[[noreturn]] void RaiseOutOfMemory() {
    RaiseKarteiError(ErrorCode::OutOfMemory, {});
}

// No allocation can be larger than half the address space.
void CheckSize(size_t size) {
    if (size > static_cast<size_t>(std::numeric_limits<ptrdiff_t>::max())) {
        RaiseOutOfMemory();
    }
}

}  // namespace

void* EngineAllocate(size_t size) {
    CheckSize(size);
    void* block = std::calloc(size == 0 ? 1 : size, 1);
    if (block == nullptr) {
        RaiseOutOfMemory();
    }
    bytesInUse.fetch_add(static_cast<int64_t>(size), std::memory_order_relaxed);
    return block;
}

void* EngineReallocate(void* block, size_t oldSize, size_t newSize) {
    CheckSize(newSize);
    void* grown = std::realloc(block, newSize == 0 ? 1 : newSize);
    if (grown == nullptr) {
        RaiseOutOfMemory();
    }
    if (newSize > oldSize) {
        std::memset(static_cast<uint8_t*>(grown) + oldSize, 0, newSize - oldSize);
    }
    bytesInUse.fetch_add(static_cast<int64_t>(newSize) - static_cast<int64_t>(oldSize),
                         std::memory_order_relaxed);
    return grown;
}

void EngineRelease(void* block, size_t size) {
    if (block == nullptr) {
        return;
    }
    std::free(block);
    bytesInUse.fetch_sub(static_cast<int64_t>(size), std::memory_order_relaxed);
}

int64_t EngineMemoryInUse() {
    return bytesInUse.load(std::memory_order_relaxed);
}

TEngineBuffer::TEngineBuffer(size_t step) : step_(step == 0 ? 1 : step) {}

TEngineBuffer::TEngineBuffer(TEngineBuffer&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)),
      capacity_(std::exchange(other.capacity_, 0)),
      step_(other.step_) {}

TEngineBuffer& TEngineBuffer::operator=(TEngineBuffer&& other) noexcept {
    if (this != &other) {
        Release();
        data_ = std::exchange(other.data_, nullptr);
        capacity_ = std::exchange(other.capacity_, 0);
        step_ = other.step_;
    }
    return *this;
}

void TEngineBuffer::Reserve(size_t size) {
    if (size <= capacity_) {
        return;
    }
    const size_t steps = size / step_ + (size % step_ != 0 ? 1 : 0);
    if (steps > std::numeric_limits<size_t>::max() / step_) {
        RaiseOutOfMemory();
    }
    const size_t newCapacity = steps * step_;
    data_ = static_cast<uint8_t*>(data_ == nullptr ? EngineAllocate(newCapacity)
                                                   : EngineReallocate(data_, capacity_, newCapacity));
    capacity_ = newCapacity;
}

void TEngineBuffer::Release() {
    EngineRelease(data_, capacity_);
    data_ = nullptr;
    capacity_ = 0;
}

}  // namespace kartei
