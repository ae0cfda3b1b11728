#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "engine/files/FileHandler.h"

namespace kartei {

// A rollback journal over a few files that one write-back changes together (a table's data, index and
// blob file when a transaction commits). Before a byte of a file is overwritten, its original contents go
// to the journal file; the journal also keeps each file's original size. If the write-back fails, the
// journal puts the originals back and cuts the files to their old sizes; if the process dies on the way,
// the journal stays behind ("hot") and the next user of the files replays it (Replay). Either way the
// files show the write-back whole or not at all.
//
// Journal file, little-endian: a 52-byte header ("KARTEI JOURNAL\0\0", version 1, the number of files,
// then three original sizes, -1 for a file that is not part of it, and a checksum of the header),
// then entries: file number (1 byte), 3 zero bytes, offset (8), length (4), checksum of the bytes (4),
// the original bytes. An entry that is cut short or does not match its checksum ends the journal: it was
// being written when the process died, before its range was touched.
//
// Durability follows the files' own setting: with `flush` the journal is flushed before the first byte
// it protects is overwritten, and the files before the journal goes.
class TWriteJournal final : public TWriteWatcher {
public:
    static constexpr size_t MaxFiles = 3;

    TWriteJournal() = default;
    ~TWriteJournal() override;
    TWriteJournal(const TWriteJournal&) = delete;
    TWriteJournal& operator=(const TWriteJournal&) = delete;

    // Starts journalling writes to `files` (closed ones take no part) in a new journal file of that name,
    // and watches their writes until Finish or RollBack.
    void Begin(const std::string& journalName, std::span<TFileHandler* const> files, bool flush);
    // The files are complete: with `flush` they are flushed, then the journal is deleted.
    void Finish();
    // The write-back failed: the originals go back and the journal is deleted. When that fails too, the
    // journal stays for a later Replay, and the failure is raised.
    void RollBack();
    bool Active() const { return active_; }

    // A watched file is about to write: the originals of what it overwrites go to the journal first.
    void BeforeWrite(TFileHandler& file, int64_t offset, size_t count) override;

    // Puts back what a journal left behind by a write-back that never ended, and deletes it. False when
    // there is no journal of that name. `files` in the order the journal was begun with.
    static bool Replay(const std::string& journalName, std::span<TFileHandler* const> files);

private:
    struct TRange {
        int64_t Begin;
        int64_t End;
    };
    struct TWatched {
        TFileHandler* File = nullptr;
        int64_t OriginalSize = -1;
        // Ranges whose originals are in the journal, sorted and disjoint.
        std::vector<TRange> Saved;
    };

    void Preserve(uint8_t index, int64_t begin, int64_t end);
    void AppendEntry(uint8_t index, int64_t offset, const uint8_t* bytes, size_t length);
    void Stop();

    TFileHandler journal_;
    bool active_ = false;
    bool flush_ = false;
    int64_t journalEnd_ = 0;
    std::vector<TWatched> watched_;
    std::vector<uint8_t> buffer_;
};

}  // namespace kartei
