#include "engine/blob/BlobFile.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "base/ScopeGuard.h"
#include "engine/blob/ChainWalk.h"
#include "engine/errors/ErrorContext.h"
#include "engine/format/Scramble.h"
#include "kartei/ErrorCodes.h"

namespace kartei {
namespace {

// Blocks the cache grows by when a transaction keeps all of them changed.
constexpr int32_t kTransactionGrowth = 255;

int32_t NextChangeCount(int32_t count) {
    return static_cast<int32_t>(static_cast<uint32_t>(count) + 1);
}

}  // namespace

TBlobFile::TBlobFile(TBlobFileContext& context) : context_(context) {
    cache_.Reset(layout_.BlockSize(), layout_.CacheCapacity());
}

TBlobFile::~TBlobFile() = default;

void TBlobFile::SetFormat(uint16_t blockSize, bool encrypted) {
    layout_ = TBlobLayout(blockSize);
    encrypted_ = encrypted;
    cache_.Reset(layout_.BlockSize(), layout_.CacheCapacity());
    if (IsOpen()) {
        ReadHeader();
    }
}

void TBlobFile::Raise(uint16_t code) const {
    RaiseKarteiError(code, context_.BlobTableName());
}

void TBlobFile::CheckUsable() const {
    if (headerFault_ != 0) {
        Raise(headerFault_);
    }
}

void TBlobFile::CheckBlockOffset(int64_t offset) const {
    if (!layout_.IsBlockOffset(offset, header_.EndOffset)) {
        Raise(ErrorCode::BlobBuffersCorrupt);
    }
}

void TBlobFile::CheckDataSize(size_t size) const {
    if (size > static_cast<size_t>(layout_.DataCapacity())) {
        Raise(ErrorCode::InvalidBlobLength);
    }
}

void TBlobFile::Open(std::string_view fileName, bool exclusive, bool temporary) {
    TFileHandler::Open(fileName, exclusive, temporary);
    cache_.Reset(layout_.BlockSize(), layout_.CacheCapacity());
    ReadHeader();
}

void TBlobFile::Create(std::string_view fileName, bool temporary) {
    if (!layout_.Usable()) {
        RaiseKarteiError(ErrorCode::BlobFieldLimits, context_.BlobTableName());
    }
    TFileHandler::Create(fileName, temporary);
    cache_.Reset(layout_.BlockSize(), layout_.CacheCapacity());
    header_ = TBlobHeader{};
    pending_ = false;
    headerFault_ = ErrorCode::Success;
    StoreHeader(false);
}

void TBlobFile::Close() {
    cache_.Release();
    header_ = TBlobHeader{};
    pending_ = false;
    headerFault_ = ErrorCode::Success;
    TFileHandler::Close();
}

TBlobFile::TStoredHeader TBlobFile::LoadHeader() {
    std::array<uint8_t, kBlobHeaderSize> bytes{};
    size_t got = 0;
    int64_t fileSize = 0;
    {
        TFileGuard guard(*this);
        Seek(0, TSeekOrigin::Start);
        got = Read(bytes.data(), bytes.size(), true);
        fileSize = Size();
    }
    if (encrypted_) {
        ScrambleRecordImage(bytes);
    }
    TStoredHeader stored{TBlobHeader::Decode(bytes), ErrorCode::HeaderCorrupt};
    if (got == bytes.size()) {
        stored.Fault = BlobHeaderFault(stored.Header, layout_, fileSize);
    }
    return stored;
}

void TBlobFile::ReadHeader() {
    const TStoredHeader stored = LoadHeader();
    header_ = stored.Header;
    headerFault_ = stored.Fault;
    pending_ = false;
}

void TBlobFile::StoreHeader(bool flush) {
    std::array<uint8_t, kBlobHeaderSize> bytes{};
    header_.Encode(bytes);
    if (encrypted_) {
        ScrambleRecordImage(bytes);
    }
    TFileGuard guard(*this);
    Seek(0, TSeekOrigin::Start);
    Write(bytes.data(), bytes.size());
    if (FlushWanted(flush)) {
        Flush();
    }
}

void TBlobFile::RereadHeader() {
    // Forgotten before anything is read: a header that cannot be read again leaves nothing to write.
    DiscardCache();
    pending_ = false;
    ReadHeader();
}

bool TBlobFile::CheckForChange() {
    const TStoredHeader stored = LoadHeader();
    if (stored.Header.ChangeCount == header_.ChangeCount && stored.Fault == headerFault_) {
        return false;
    }
    DiscardCache();
    header_ = stored.Header;
    headerFault_ = stored.Fault;
    pending_ = false;
    return true;
}

void TBlobFile::DiscardCache() {
    cache_.Clear();
}

void TBlobFile::Verify() {
    CheckUsable();
    WalkFreeList();
}

void TBlobFile::Empty() {
    DiscardCache();
    // The header of an empty file goes first: a failure after it leaves blocks beyond its end offset,
    // which nothing reads; a failure before it leaves the file whole.
    const TBlobHeader kept = header_;
    header_.Version = kBlobFormatVersion;
    header_.FreeBlockHead = 0;
    header_.EndOffset = kBlobHeaderSize;
    UndoOnError([this] { WriteChangedHeader(false); }, [this, &kept] { header_ = kept; });
    headerFault_ = BlobHeaderFault(header_, layout_, kBlobHeaderSize);
    TFileGuard guard(*this);
    Seek(kBlobHeaderSize, TSeekOrigin::Start);
    Write(nullptr, 0);
    if (context_.ForceBufferFlush()) {
        Flush();
    }
}

void TBlobFile::WriteBack(bool flush) {
    if (context_.InTransaction()) {
        return;
    }
    WriteDirtyBlocks(flush);
    if (pending_) {
        WriteChangedHeader(flush);
    }
}

void TBlobFile::WriteChangedHeader(bool flush) {
    header_.ChangeCount = NextChangeCount(header_.ChangeCount);
    header_.PendingChanges = 1;
    StoreHeader(flush);
    pending_ = false;
}

void TBlobFile::WriteDirtyBlocks(bool flush) {
    const auto writable = [this](const TBlobBlock* block) {
        return block->Dirty && (block->Offset < readingFrom_ || block->Offset >= readingTo_);
    };
    const size_t blockSize = layout_.BlockSize();
    const std::span<TBlobBlock* const> blocks = cache_.Blocks();
    size_t first = 0;
    while (first < blocks.size()) {
        if (!writable(blocks[first])) {
            ++first;
            continue;
        }
        size_t end = first + 1;
        while (end < blocks.size() && writable(blocks[end]) &&
               blocks[end]->Offset == blocks[end - 1]->Offset + static_cast<int32_t>(blockSize)) {
            ++end;
        }
        writeBuffer_.Reserve((end - first) * blockSize);
        for (size_t k = first; k < end; ++k) {
            uint8_t* image = writeBuffer_.Data() + (k - first) * blockSize;
            std::memcpy(image, blocks[k]->Image.Data(), blockSize);
            if (encrypted_) {
                ScrambleBlobBlock({image, blockSize});
            }
        }
        {
            TFileGuard guard(*this);
            Seek(blocks[first]->Offset, TSeekOrigin::Start);
            Write(writeBuffer_.Data(), (end - first) * blockSize);
            if (FlushWanted(flush)) {
                Flush();
            }
        }
        for (size_t k = first; k < end; ++k) {
            blocks[k]->Dirty = false;
        }
        first = end;
    }
}

TBlobBlock* TBlobFile::AcquireBlock(int32_t offset) {
    if (cache_.Full() && cache_.OldestClean() == nullptr) {
        if (context_.InTransaction()) {
            cache_.Grow(kTransactionGrowth);
        } else {
            WriteDirtyBlocks(false);
        }
    }
    TBlobBlock* block = nullptr;
    if (!cache_.Full()) {
        block = cache_.TakeSpare();
    } else if ((block = cache_.OldestClean()) != nullptr) {
        cache_.Remove(block);
    } else {
        Raise(ErrorCode::BlobBuffersCorrupt);
    }
    block->Offset = offset;
    cache_.Insert(block);
    return block;
}

void TBlobFile::ReadBlocks(int32_t offset, int64_t blocksWanted) {
    const int64_t blockSize = layout_.BlockSize();
    const int64_t count = std::max<int64_t>(1, std::min({blocksWanted, int64_t{layout_.ReadAheadLimit()},
                                                         (header_.EndOffset - offset) / blockSize}));
    const size_t length = static_cast<size_t>(count * blockSize);
    readBuffer_.Reserve(length);
    size_t got = 0;
    {
        TFileGuard guard(*this);
        Seek(offset, TSeekOrigin::Start);
        got = Read(readBuffer_.Data(), length, true);
    }
    const int64_t complete = static_cast<int64_t>(got) / blockSize;
    // While the blocks are taken in, a write-back for room must not write over them.
    struct TReadRange {
        TBlobFile& File;
        ~TReadRange() { File.readingFrom_ = File.readingTo_ = 0; }
    } range{*this};
    readingFrom_ = offset;
    readingTo_ = offset + complete * blockSize;
    for (int64_t k = 0; k < complete; ++k) {
        const int32_t at = static_cast<int32_t>(offset + k * blockSize);
        TBlobBlock* block = cache_.Find(at);
        if (block != nullptr && block->Dirty) {
            continue;  // the cached change is newer than the file
        }
        if (block == nullptr) {
            block = AcquireBlock(at);
        }
        std::memcpy(block->Image.Data(), readBuffer_.Data() + k * blockSize, static_cast<size_t>(blockSize));
        if (encrypted_) {
            ScrambleBlobBlock({block->Image.Data(), static_cast<size_t>(blockSize)});
        }
    }
}

uint8_t* TBlobFile::BlockImage(int32_t offset, int64_t blocksWanted) {
    TBlobBlock* block = cache_.Find(offset);
    if (block == nullptr) {
        ReadBlocks(offset, blocksWanted);
        block = cache_.Find(offset);
        if (block == nullptr) {
            Raise(ErrorCode::BlobBuffersCorrupt);
        }
    }
    return block->Image.Data();
}

TBlobBlockHeader TBlobFile::ReadBlock(int32_t offset, std::span<uint8_t> data, int64_t blocksWanted) {
    CheckUsable();
    CheckDataSize(data.size());
    CheckBlockOffset(offset);
    const uint8_t* image = BlockImage(offset, blocksWanted);
    const TBlobBlockHeader header =
        TBlobBlockHeader::Decode(std::span<const uint8_t, kBlobBlockHeaderSize>(image, kBlobBlockHeaderSize));
    const size_t count = std::min<size_t>(data.size(), header.Used);
    if (count > 0) {
        std::memcpy(data.data(), image + kBlobBlockHeaderSize, count);
    }
    return header;
}

void TBlobFile::WriteBlock(int32_t offset, TBlobBlockHeader header, std::span<const uint8_t> data) {
    CheckUsable();
    CheckDataSize(data.size());
    CheckBlockOffset(offset);
    TBlobBlock* block = cache_.Find(offset);
    if (block == nullptr) {
        block = AcquireBlock(offset);
    }
    uint8_t* image = block->Image.Data();
    header.Used = static_cast<uint16_t>(data.size());
    header.Encode(std::span<uint8_t, kBlobBlockHeaderSize>(image, kBlobBlockHeaderSize));
    if (!data.empty()) {
        std::memcpy(image + kBlobBlockHeaderSize, data.data(), data.size());
    }
    std::memset(image + kBlobBlockHeaderSize + data.size(), 0, layout_.DataCapacity() - data.size());
    block->Dirty = true;
    pending_ = true;
}

int32_t TBlobFile::AllocateBlock() {
    CheckUsable();
    const int32_t head = header_.FreeBlockHead;
    if (head != 0) {
        const int32_t next = ReadBlock(head, {}).Next;
        if (next != 0) {
            CheckBlockOffset(next);
        }
        header_.FreeBlockHead = next;
        pending_ = true;
        return head;
    }
    if (header_.EndOffset > kMaxBlobAppendOffset) {
        Raise(ErrorCode::TableFull);
    }
    const int32_t offset = header_.EndOffset;
    header_.EndOffset += layout_.BlockSize();
    pending_ = true;
    return offset;
}

void TBlobFile::FreeBlock(int32_t offset) {
    TBlobBlockHeader header;
    header.Next = header_.FreeBlockHead;
    WriteBlock(offset, header, {});
    header_.FreeBlockHead = offset;
}

void TBlobFile::WalkFreeList() {
    TChainWalk walk;
    for (int32_t offset = header_.FreeBlockHead; offset != 0; offset = ReadBlock(offset, {}).Next) {
        if (!walk.Visit(offset)) {
            Raise(ErrorCode::BlobBuffersCorrupt);
        }
    }
}

}  // namespace kartei
