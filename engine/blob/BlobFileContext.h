#pragma once

#include <cstdint>
#include <string>

namespace kartei {

// What a blob file needs from the table it belongs to. The table implements it and must outlive the blob
// file.
class TBlobFileContext {
public:
    virtual ~TBlobFileContext() = default;

    // The name the blob file's engine errors carry.
    virtual const std::string& BlobTableName() const = 0;
    // The session asks for every write to be flushed at once.
    virtual bool ForceBufferFlush() const = 0;
    // The table holds its transaction lock: changed blocks stay in memory (the cache grows instead of
    // writing them) and write-back requests wait for the end of the transaction.
    virtual bool InTransaction() const = 0;
    // Advances the data header's last blob sequence number (wrapping to 1) and returns the new value; the
    // table marks its header for writing.
    virtual int32_t TakeBlobSequenceNumber() = 0;
};

}  // namespace kartei
