#include "engine/table/WriteJournal.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "engine/errors/EngineError.h"
#include "engine/errors/ErrorCodes.h"
#include "engine/format/Bytes.h"

namespace kartei {
namespace {

constexpr std::array<uint8_t, 16> kMagic = {'K', 'A', 'R', 'T', 'E', 'I', ' ', 'J',
                                            'O', 'U', 'R', 'N', 'A', 'L', 0,   0};
constexpr uint32_t kVersion = 1;
constexpr size_t kSizesAt = 24;
constexpr size_t kHeaderChecksumAt = kSizesAt + 8 * TWriteJournal::MaxFiles;
constexpr size_t kHeaderSize = kHeaderChecksumAt + 4;
constexpr size_t kEntryHeaderSize = 20;

uint32_t Checksum(const uint8_t* bytes, size_t length) {
    // FNV-1a: enough to tell an entry cut short by a dying process from a whole one.
    uint32_t hash = 2166136261u;
    for (size_t k = 0; k < length; ++k) {
        hash = (hash ^ bytes[k]) * 16777619u;
    }
    return hash;
}

// Reads at an offset; the bytes actually read.
size_t ReadAt(TFileHandler& file, int64_t offset, uint8_t* buffer, size_t count) {
    const TFileGuard guard(file);
    file.Seek(offset, TSeekOrigin::Start);
    return file.Read(buffer, count, true);
}

void WriteAt(TFileHandler& file, int64_t offset, const uint8_t* buffer, size_t count) {
    const TFileGuard guard(file);
    file.Seek(offset, TSeekOrigin::Start);
    file.Write(buffer, count);
}

// What a journal file holds: the sizes the files had, and where each entry's bytes go.
struct TJournalEntry {
    uint8_t File;
    int64_t Offset;
    std::vector<uint8_t> Bytes;
};

struct TJournalContents {
    std::array<int64_t, TWriteJournal::MaxFiles> Sizes{};
    std::vector<TJournalEntry> Entries;
};

// False for a journal whose header was not written whole: nothing it protects was touched yet.
bool LoadJournal(TFileHandler& journal, TJournalContents& contents) {
    std::array<uint8_t, kHeaderSize> header{};
    if (ReadAt(journal, 0, header.data(), header.size()) != header.size() ||
        !std::equal(kMagic.begin(), kMagic.end(), header.begin()) ||
        ReadU32(header.data() + 16) != kVersion ||
        ReadU32(header.data() + kHeaderChecksumAt) != Checksum(header.data(), kHeaderChecksumAt)) {
        return false;
    }
    const uint32_t files = ReadU32(header.data() + 20);
    for (size_t k = 0; k < TWriteJournal::MaxFiles; ++k) {
        contents.Sizes[k] = k < files ? ReadI64(header.data() + kSizesAt + 8 * k) : -1;
    }
    int64_t at = kHeaderSize;
    for (;;) {
        std::array<uint8_t, kEntryHeaderSize> entry{};
        if (ReadAt(journal, at, entry.data(), entry.size()) != entry.size()) {
            break;
        }
        TJournalEntry loaded{entry[0], ReadI64(entry.data() + 4),
                             std::vector<uint8_t>(ReadU32(entry.data() + 12))};
        if (loaded.File >= TWriteJournal::MaxFiles || loaded.Offset < 0 ||
            ReadAt(journal, at + kEntryHeaderSize, loaded.Bytes.data(), loaded.Bytes.size()) !=
                loaded.Bytes.size() ||
            Checksum(loaded.Bytes.data(), loaded.Bytes.size()) != ReadU32(entry.data() + 16)) {
            break;
        }
        at += static_cast<int64_t>(kEntryHeaderSize + loaded.Bytes.size());
        contents.Entries.push_back(std::move(loaded));
    }
    return true;
}

// Writes the originals back and cuts every file to its old size.
void Restore(const TJournalContents& contents, std::span<TFileHandler* const> files) {
    for (const TJournalEntry& entry : contents.Entries) {
        if (entry.File < files.size() && files[entry.File] != nullptr && files[entry.File]->IsOpen()) {
            WriteAt(*files[entry.File], entry.Offset, entry.Bytes.data(), entry.Bytes.size());
        }
    }
    for (size_t k = 0; k < files.size() && k < contents.Sizes.size(); ++k) {
        if (files[k] != nullptr && files[k]->IsOpen() && contents.Sizes[k] >= 0) {
            WriteAt(*files[k], contents.Sizes[k], nullptr, 0);  // a write of nothing ends the file there
            // The system's buffers, not an override that would write what the owner holds in memory.
            files[k]->TFileHandler::Flush();
        }
    }
}

// Another user replaying the same journal may have deleted it first.
void DeleteJournal(TFileHandler& journal, const std::string& name) {
    journal.Close();
    try {
        journal.Delete(name);
    } catch (const EKarteiEngineError& error) {
        if (error.ErrorCode() != ErrorCode::InvalidPath) {
            throw;
        }
    }
}

}  // namespace

TWriteJournal::~TWriteJournal() {
    Stop();
}

void TWriteJournal::Begin(const std::string& journalName, std::span<TFileHandler* const> files, bool flush) {
    Stop();
    watched_.clear();
    std::array<uint8_t, kHeaderSize> header{};
    std::copy(kMagic.begin(), kMagic.end(), header.begin());
    WriteU32(header.data() + 16, kVersion);
    WriteU32(header.data() + 20, static_cast<uint32_t>(std::min(files.size(), MaxFiles)));
    for (size_t k = 0; k < files.size() && k < MaxFiles; ++k) {
        TWatched watched;
        if (files[k] != nullptr && files[k]->IsOpen()) {
            watched.File = files[k];
            watched.OriginalSize = files[k]->Size();
        }
        WriteI64(header.data() + kSizesAt + 8 * k, watched.OriginalSize);
        watched_.push_back(std::move(watched));
    }
    WriteU32(header.data() + kHeaderChecksumAt, Checksum(header.data(), kHeaderChecksumAt));
    journal_.Create(journalName);
    WriteAt(journal_, 0, header.data(), header.size());
    journalEnd_ = kHeaderSize;
    flush_ = flush;
    for (TWatched& watched : watched_) {
        if (watched.File != nullptr) {
            watched.File->WatchWrites(this);
        }
    }
    active_ = true;
}

void TWriteJournal::BeforeWrite(TFileHandler& file, int64_t offset, size_t count) {
    const auto it = std::find_if(watched_.begin(), watched_.end(),
                                 [&file](const TWatched& watched) { return watched.File == &file; });
    if (it == watched_.end()) {
        return;
    }
    const int64_t end =
        count == 0 ? it->OriginalSize : std::min(offset + static_cast<int64_t>(count), it->OriginalSize);
    if (offset < end) {
        Preserve(static_cast<uint8_t>(it - watched_.begin()), offset, end);
    }
}

void TWriteJournal::Preserve(uint8_t index, int64_t begin, int64_t end) {
    TWatched& watched = watched_[index];
    std::vector<TRange>& saved = watched.Saved;
    // Only the parts not saved already: a range written twice keeps its first, original contents.
    int64_t at = begin;
    auto next = std::lower_bound(saved.begin(), saved.end(), begin,
                                 [](const TRange& range, int64_t value) { return range.End < value; });
    while (at < end) {
        int64_t gapEnd = end;
        if (next != saved.end() && next->Begin <= at) {
            at = std::max(at, next->End);
            ++next;
            continue;
        }
        if (next != saved.end()) {
            gapEnd = std::min(end, next->Begin);
        }
        const size_t length = static_cast<size_t>(gapEnd - at);
        buffer_.resize(length);
        // The caller holds the file's guard with the position set for its write: it is put back.
        const int64_t position = watched.File->Seek(0, TSeekOrigin::Current);
        const size_t read = ReadAt(*watched.File, at, buffer_.data(), length);
        watched.File->Seek(position, TSeekOrigin::Start);
        AppendEntry(index, at, buffer_.data(), read);
        at = gapEnd;
    }
    // Merge [begin, end) into the saved ranges.
    TRange merged{begin, end};
    auto first = std::lower_bound(saved.begin(), saved.end(), begin,
                                  [](const TRange& range, int64_t value) { return range.End < value; });
    auto last = first;
    while (last != saved.end() && last->Begin <= end) {
        merged.Begin = std::min(merged.Begin, last->Begin);
        merged.End = std::max(merged.End, last->End);
        ++last;
    }
    saved.insert(saved.erase(first, last), merged);
}

void TWriteJournal::AppendEntry(uint8_t index, int64_t offset, const uint8_t* bytes, size_t length) {
    if (length == 0) {
        return;
    }
    std::array<uint8_t, kEntryHeaderSize> entry{};
    entry[0] = index;
    WriteI64(entry.data() + 4, offset);
    WriteU32(entry.data() + 12, static_cast<uint32_t>(length));
    WriteU32(entry.data() + 16, Checksum(bytes, length));
    WriteAt(journal_, journalEnd_, entry.data(), entry.size());
    WriteAt(journal_, journalEnd_ + static_cast<int64_t>(entry.size()), bytes, length);
    journalEnd_ += static_cast<int64_t>(entry.size() + length);
    if (flush_) {
        journal_.Flush();
    }
}

void TWriteJournal::Stop() {
    for (TWatched& watched : watched_) {
        if (watched.File != nullptr) {
            watched.File->WatchWrites(nullptr);
        }
    }
    active_ = false;
}

void TWriteJournal::Finish() {
    Stop();
    if (flush_) {
        for (const TWatched& watched : watched_) {
            if (watched.File != nullptr) {
                watched.File->TFileHandler::Flush();
            }
        }
    }
    DeleteJournal(journal_, journal_.FileName());
}

void TWriteJournal::RollBack() {
    Stop();
    std::vector<TFileHandler*> files;
    for (const TWatched& watched : watched_) {
        files.push_back(watched.File);
    }
    TJournalContents contents;
    if (LoadJournal(journal_, contents)) {
        Restore(contents, files);
    }
    DeleteJournal(journal_, journal_.FileName());
}

bool TWriteJournal::Replay(const std::string& journalName, std::span<TFileHandler* const> files) {
    TFileHandler journal;
    if (!journal.Exists(journalName)) {
        return false;
    }
    journal.Open(journalName, false);
    TJournalContents contents;
    if (LoadJournal(journal, contents)) {
        Restore(contents, files);
    }
    DeleteJournal(journal, journalName);
    return true;
}

}  // namespace kartei
