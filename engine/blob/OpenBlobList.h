#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/blob/BlobFile.h"
#include "engine/files/EngineMemory.h"
#include "kartei/Record.h"

namespace kartei {

// A blob a cursor has open: its contents in memory, where the cursor reads and edits them until the
// record is posted.
struct TOpenBlob {
    TBlobReference Source;     // the field's reference when the blob was opened
    uint16_t FieldNumber = 0;  // the blob field it was opened for
    TEngineBuffer Contents{4096};
    size_t Length = 0;
    bool Modified = false;
};

// The blobs one cursor has open. Each is known by a negative handle, which stands in the offset bytes of
// the cursor's own record image while the blob is open and is never written to the file. Buffers of closed
// blobs are kept for the next one.
class TOpenBlobList {
public:
    static constexpr int kMaxOpenBlobs = 64;

    // The name is the table's and must outlive the list.
    explicit TOpenBlobList(const std::string& tableName) : tableName_(tableName) {}
    TOpenBlobList(const TOpenBlobList&) = delete;
    TOpenBlobList& operator=(const TOpenBlobList&) = delete;

    // Reads the blob of a field into a free slot and returns its handle; with 64 blobs open already,
    // TooManyOpenBlobs.
    int32_t Open(TBlobFile& file, TBlobReference reference, uint16_t fieldNumber);
    // The open blob of a handle; a handle that is not open is InvalidBlobHandle.
    TOpenBlob& Get(int32_t handle);
    void Close(int32_t handle);
    int OpenCount() const;

private:
    size_t SlotOf(int32_t handle) const;

    const std::string& tableName_;
    std::array<TOpenBlob, kMaxOpenBlobs> blobs_;
    std::array<bool, kMaxOpenBlobs> open_{};
};

}  // namespace kartei
