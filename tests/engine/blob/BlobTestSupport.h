#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <span>
#include <string>
#include <vector>

#include "engine/blob/BlobFile.h"
#include "engine/blob/BlobFileContext.h"
#include "engine/blob/BlobHeader.h"
#include "engine/blob/BlobLayout.h"
#include "engine/files/FileTestSupport.h"
#include "engine/format/AutoIncrement.h"

namespace kartei::testing {

// The table side of a blob file, with every setting in the test's hands.
class TTestBlobContext : public TBlobFileContext {
public:
    const std::string& BlobTableName() const override { return Name; }
    bool ForceBufferFlush() const override { return ForceFlush; }
    bool InTransaction() const override { return Transaction; }
    int32_t TakeBlobSequenceNumber() override {
        LastSequence = NextSequenceValue(LastSequence);
        return LastSequence;
    }

    std::string Name = "Docs.DAT";
    bool ForceFlush = false;
    bool Transaction = false;
    int32_t LastSequence = 0;
};

// Bytes 0, 1, 2 ... of a blob's contents, distinct for each seed.
inline std::vector<uint8_t> Pattern(size_t length, uint8_t seed) {
    std::vector<uint8_t> bytes(length);
    for (size_t k = 0; k < length; ++k) {
        bytes[k] = static_cast<uint8_t>(k * 7 + seed + k / 251);
    }
    return bytes;
}

inline const uint8_t* At(const std::string& bytes, int64_t offset) {
    return reinterpret_cast<const uint8_t*>(bytes.data()) + offset;
}

inline TBlobHeader HeaderIn(const std::string& fileBytes) {
    return TBlobHeader::Decode(std::span<const uint8_t, kBlobHeaderSize>(At(fileBytes, 0), kBlobHeaderSize));
}

inline TBlobBlockHeader BlockIn(const std::string& fileBytes, int64_t offset) {
    return TBlobBlockHeader::Decode(
        std::span<const uint8_t, kBlobBlockHeaderSize>(At(fileBytes, offset), kBlobBlockHeaderSize));
}

// Overwrites bytes of a closed file in place.
inline void Patch(const std::string& path, int64_t offset, std::span<const uint8_t> bytes) {
    std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
    file.seekp(offset);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

inline void PatchI32(const std::string& path, int64_t offset, int32_t value) {
    const uint32_t v = static_cast<uint32_t>(value);
    const uint8_t bytes[4] = {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8),
                              static_cast<uint8_t>(v >> 16), static_cast<uint8_t>(v >> 24)};
    Patch(path, offset, bytes);
}

// A blob file in a scratch folder, driven through TBlobFile.
class BlobFileFixture : public ::testing::Test {
protected:
    // Creates the file for block size `blockSize` (0 = 512).
    void CreateBlobFile(uint16_t blockSize = 512, bool encrypted = false) {
        file.SetFormat(blockSize, encrypted);
        file.Create(path);
    }
    // Writes everything back and opens the file again, shared.
    void Reopen() {
        file.WriteBack(false);
        file.Close();
        file.Open(path, false);
    }
    std::string Disk() const { return ReadBytes(path); }
    TBlobReference Store(std::span<const uint8_t> contents, TBlobReference reference = {}) {
        return file.WriteBlob(reference, contents);
    }
    std::vector<uint8_t> Load(TBlobReference reference) {
        TEngineBuffer buffer(4096);
        const size_t length = file.ReadBlob(reference, buffer);
        return std::vector<uint8_t>(buffer.Data(), buffer.Data() + length);
    }

    TTempDir dir;
    const std::string path = dir.File("Docs.BLB");
    TTestBlobContext context;
    TBlobFile file{context};
};

}  // namespace kartei::testing
