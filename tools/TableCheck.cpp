#include "tools/TableCheck.h"

#include <algorithm>
#include <functional>

#include "base/Cp1252.h"
#include "base/ScopeGuard.h"
#include "engine/files/EngineMemory.h"
#include "engine/format/RecordLayout.h"
#include "engine/index/IndexCheck.h"
#include "engine/index/IndexTree.h"
#include "engine/keys/KeyBuilder.h"
#include "kartei/Errors.h"
#include "kartei/Field.h"
#include "kartei/Record.h"
#include "tools/EngineFailure.h"

namespace kartei::tools {
namespace {

// Findings of one kind beyond this many are summed up in one line.
constexpr size_t kFindingsPerPart = 20;
constexpr size_t kBlobReadStep = 4096;

// The record slots the header claims, as far as the data file holds them: a header that lies about them
// is a finding of the first user's checks, not a reason to walk (or to keep a map of) slots that are not
// there.
int32_t SlotsOnDisk(TDataTableImpl& table) {
    const TDataHeader& header = table.Header();
    const int64_t claimed = std::max<int32_t>(header.RecordSlotCount(), 0);
    if (header.RecordSize == 0) {
        return 0;
    }
    const int64_t present =
        std::max<int64_t>(table.DataFile().Size() - header.DataStart(), 0) / header.RecordSize;
    return static_cast<int32_t>(std::min(claimed, present));
}

// 64-bit FNV-1a: an entry's key and its record's key compared through it, so that the records can be read
// in slot order without keeping their keys.
uint64_t KeyHash(const uint8_t* key, size_t length) {
    uint64_t hash = 14695981039346656037ull;
    for (size_t k = 0; k < length; ++k) {
        hash = (hash ^ key[k]) * 1099511628211ull;
    }
    return hash;
}

class TChecker {
public:
    explicit TChecker(TDataTableImpl& table)
        : table_(table), slots_(SlotsOnDisk(table)), image_(table.Header().RecordSize) {}

    std::vector<std::string> Run() {
        Guarded([&] { table_.VerifyFiles(); });
        Guarded([&] { CheckIndexes(); });
        Guarded([&] { CheckSlots(); });
        Guarded([&] { CheckBlobs(); });
        return std::move(findings_);
    }

private:
    // A part that raises reports the engine's text and ends there.
    void Guarded(const std::function<void()>& part) {
        try {
            part();
        } catch (const EKarteiEngineError& error) {
            findings_.push_back(EngineMessage(error));
        }
    }

    // Collects the findings of one part, summing up the surplus.
    class TPart {
    public:
        explicit TPart(std::vector<std::string>& findings) : findings_(findings) {}
        ~TPart() {
            if (count_ > kFindingsPerPart) {
                findings_.push_back("... and " + std::to_string(count_ - kFindingsPerPart) +
                                    " more like these");
            }
        }
        TPart(const TPart&) = delete;
        TPart& operator=(const TPart&) = delete;
        void Add(const std::string& finding) {
            if (++count_ <= kFindingsPerPart) {
                findings_.push_back(finding);
            }
        }
        size_t Count() const { return count_; }

    private:
        std::vector<std::string>& findings_;
        size_t count_ = 0;
    };

    std::string IndexName(int slot) const {
        if (slot == kDeletedIndexSlot) {
            return "index 'Sys Deleted'";
        }
        return slot == kPrimaryIndexSlot
                   ? std::string("the primary index")
                   : "index '" + Cp1252ToUtf8(table_.IndexFile().Descriptor(slot).Name) + "'";
    }

    void Read(int32_t recordNumber, bool readAhead = false) {
        table_.ReadRecord(recordNumber, image_, readAhead);
    }

    void CheckIndexes() {
        const std::vector<std::string> structure =
            CheckIndexFile(table_.IndexFile(), table_.Fields(), table_.KeyLocale());
        for (const std::string& finding : structure) {
            findings_.push_back(Cp1252ToUtf8(finding));
        }
        if (!structure.empty()) {
            return;
        }
        TIndexFile& file = table_.IndexFile();
        if (file.Descriptor(kPrimaryIndexSlot).FieldCount > 0) {
            CheckContents(kPrimaryIndexSlot);
        }
        for (int slot = 1; slot <= file.SecondaryIndexCount(); ++slot) {
            CheckContents(slot);
        }
        CheckContents(kDeletedIndexSlot);
    }

    // Walks the leaves of an index in order and compares each entry with the record it names.
    void CheckContents(int slot) {
        TPart part(findings_);
        const std::string name = IndexName(slot);
        const bool allSlots = slot == kDeletedIndexSlot;
        const TKeyLayout layout = table_.KeyLayout(slot);
        TIndexTree tree(table_.IndexFile(), slot, layout);
        std::vector<bool> seen(static_cast<size_t>(slots_) + 1, false);
        std::vector<uint8_t> key(layout.KeyLength);
        // The records in slot order, read in blocks, and the keys their entries must hold: read in the
        // index's order they would come one read each.
        std::vector<uint8_t> statuses(static_cast<size_t>(slots_) + 1, 0);
        std::vector<uint64_t> keys(static_cast<size_t>(slots_) + 1, 0);
        for (int32_t number = 1; number <= slots_; ++number) {
            Read(number, true);
            statuses[static_cast<size_t>(number)] = RecordStatus(image_);
            if (allSlots || RecordStatus(image_) == kRecordLive) {
                BuildKey(layout, image_.data(), key.data());
                keys[static_cast<size_t>(number)] = KeyHash(key.data(), key.size());
            }
        }
        for (TLeafHit hit = tree.SeekFirst(); hit.Leaf;) {
            const TPage& leaf = *hit.Leaf;
            for (int position = 1; position <= leaf.Count(); ++position) {
                const uint32_t number = leaf.Value(position);
                const std::string entry = name + ": entry for record " + std::to_string(number);
                if (number < 1 || number > static_cast<uint32_t>(slots_)) {
                    part.Add(entry + " names no record slot");
                    continue;
                }
                if (seen[number]) {
                    part.Add(entry + " is there more than once");
                }
                seen[number] = true;
                if (!allSlots && statuses[number] != kRecordLive) {
                    part.Add(entry + " names a deleted record");
                    continue;
                }
                if (KeyHash(leaf.Key(position), key.size()) != keys[number]) {
                    part.Add(entry + " does not hold the key of that record");
                }
            }
            const uint32_t next = leaf.NextPage();
            hit.Leaf = next == 0 ? TPageRef() : table_.IndexFile().ReadPage(slot, next);
            if (next != 0 && !hit.Leaf) {
                part.Add(name + ": the index changed while it was checked");
            }
        }
        for (int32_t number = 1; number <= slots_; ++number) {
            if (seen[static_cast<size_t>(number)]) {
                continue;
            }
            if (allSlots || statuses[static_cast<size_t>(number)] == kRecordLive) {
                part.Add(name + ": record " + std::to_string(number) + " is missing");
            }
        }
    }

    void CheckSlots() {
        TPart part(findings_);
        int32_t live = 0;
        std::vector<bool> deleted(static_cast<size_t>(slots_) + 1, false);
        for (int32_t number = 1; number <= slots_; ++number) {
            Read(number, true);
            const std::string slot = "record slot " + std::to_string(number);
            if (RecordStatus(image_) == kRecordLive) {
                ++live;
                if (RecordLink(image_) != number) {
                    part.Add(slot + " carries the number " + std::to_string(RecordLink(image_)));
                }
            } else if (RecordStatus(image_) == kRecordDeleted) {
                deleted[static_cast<size_t>(number)] = true;
            } else {
                part.Add(slot + " has the status byte " + std::to_string(RecordStatus(image_)));
            }
        }
        if (live != table_.RecordCount()) {
            part.Add("the index file counts " + std::to_string(table_.RecordCount()) +
                     " records, the data file holds " + std::to_string(live));
        }
        // The free list: deleted slots only, each once.
        int32_t steps = 0;
        for (int32_t link = table_.Header().FreeListHead; link != 0; ++steps) {
            if (link < 1 || link > slots_ || !deleted[static_cast<size_t>(link)] || steps > slots_) {
                part.Add("the free list leads to " + std::to_string(link) +
                         (steps > slots_ ? ", round in a circle" : ", which is no deleted record slot"));
                break;
            }
            Read(link);
            link = RecordLink(image_);
        }
    }

    void CheckBlobs() {
        std::vector<const TFieldDescriptor*> blobs;
        for (const TFieldDescriptor& field : table_.Fields()) {
            if (field.FieldType == FieldType::Blob) {
                blobs.push_back(&field);
            }
        }
        if (blobs.empty()) {
            return;
        }
        TPart part(findings_);
        TEngineBuffer contents(kBlobReadStep);
        for (int32_t number = 1; number <= slots_; ++number) {
            Read(number, true);
            if (RecordStatus(image_) != kRecordLive) {
                continue;
            }
            for (const TFieldDescriptor* field : blobs) {
                try {
                    table_.ReadBlob(image_, *field, contents);
                } catch (const EKarteiEngineError& error) {
                    part.Add("record " + std::to_string(number) + ", field '" + Cp1252ToUtf8(field->Name) +
                             "': " + EngineMessage(error));
                }
            }
        }
    }

    TDataTableImpl& table_;
    const int32_t slots_;
    std::vector<uint8_t> image_;
    std::vector<std::string> findings_;
};

// Holds the table's read lock while the check runs, so that no other user changes it meanwhile.
class TReadLock {
public:
    explicit TReadLock(TDataTableImpl& table) : locks_(table.Locks()) { locks_.LockRead(0); }
    // Quietly: the lock goes with the file at the latest.
    ~TReadLock() {
        RunQuietly([this] { locks_.UnlockRead(0); });
    }
    TReadLock(const TReadLock&) = delete;
    TReadLock& operator=(const TReadLock&) = delete;

private:
    TTableLocks& locks_;
};

}  // namespace

std::vector<std::string> CheckTable(TDataTableImpl& table) {
    std::vector<std::string> findings;
    try {
        const TReadLock lock(table);
        return TChecker(table).Run();
    } catch (const EKarteiEngineError& error) {
        findings.push_back(EngineMessage(error));
    }
    return findings;
}

}  // namespace kartei::tools
