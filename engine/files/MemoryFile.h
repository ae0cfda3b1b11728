#pragma once

#include "engine/files/AbstractFile.h"
#include "engine/files/EngineMemory.h"

namespace kartei {

// A file held in engine memory: the storage of in-memory tables. It lives in the file registry until it
// is deleted, so its contents outlast the handles. Each handle has its own position.
class TMemoryFile final : public TAbstractFile {
public:
    // The buffer grows in steps of this many bytes and never shrinks while the file exists.
    static constexpr size_t CapacityStep = 65535;

    explicit TMemoryFile(std::string name) : TAbstractFile(std::move(name), true) {}

    int Create() override;
    int Open() override;
    int CloseHandle(int handle) override;
    int Rename(const std::string& newName) override;
    int Delete() override;
    int64_t Read(int handle, void* buffer, size_t count) override;
    int64_t Write(int handle, const void* buffer, size_t count) override;
    int Flush(int handle) override;
    // From the end the position becomes size minus offset.
    int64_t Seek(int handle, int64_t offset, TSeekOrigin origin) override;

    uint64_t Size() const;
    size_t Capacity() const;

private:
    // Bytes beyond the size are kept zero, so that a write past the end leaves a zero gap.
    int SetSize(uint64_t size);

    TEngineBuffer buffer_{CapacityStep};
    uint64_t size_ = 0;
};

}  // namespace kartei
