#include "fuzz/TableHarness.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "engine/cursor/DataCursor.h"
#include "engine/files/EngineMemory.h"
#include "engine/format/TableFileNames.h"
#include "engine/table/DataDirectory.h"
#include "engine/table/DataTable.h"
#include "kartei/Errors.h"
#include "kartei/Field.h"
#include "kartei/Session.h"
#include "tools/TableCheck.h"

namespace kartei::fuzz {
namespace {

constexpr uint32_t kNoIndexFile = 0xFFFFFFFF;
constexpr char kTableName[] = "F";

uint32_t TakeLength(std::span<const uint8_t>& input) {
    uint32_t length = 0;
    for (int i = 0; i < 4 && !input.empty(); ++i) {
        length |= static_cast<uint32_t>(input.front()) << (8 * i);
        input = input.subspan(1);
    }
    return length;
}

std::string TakeBytes(std::span<const uint8_t>& input, uint32_t length) {
    const size_t taken = std::min<size_t>(length, input.size());
    std::string bytes(reinterpret_cast<const char*>(input.data()), taken);
    input = input.subspan(taken);
    return bytes;
}

void PutLength(std::vector<uint8_t>& out, uint32_t length) {
    for (int i = 0; i < 4; ++i) {
        out.push_back(static_cast<uint8_t>(length >> (8 * i)));
    }
}

void WriteFile(const std::string& path, const std::string& bytes, bool present) {
    std::remove(path.c_str());
    if (present) {
        std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
    }
}

void WriteFiles(const TTableFiles& files, const TTableFileNames& names) {
    WriteFile(names.Data, files.Data, true);
    WriteFile(names.Index, files.Index, files.HasIndex);
    WriteFile(names.Blob, files.Blob, !files.Blob.empty());
}

TTableOpenRequest Request(bool verify) {
    TTableOpenRequest request{.Name = std::string(kTableName)};
    request.SkipVerificationForRepair = !verify;
    return request;
}

// A sound engine never shows more entries than the files could hold records; more means it goes round.
class TWalker {
public:
    TWalker(TDataCursorImpl& cursor, size_t stepLimit)
        : cursor_(cursor), table_(cursor.Table()), record_(cursor.RecordSize()), stepLimit_(stepLimit) {}

    void WalkEveryOrder() {
        Guarded([&] { Walk(255); });
        if (cursor_.IndexDescriptor(0).FieldCount > 0) {
            Guarded([&] { Walk(0); });
        }
        for (int slot = 1; slot <= cursor_.SecondaryIndexCount(); ++slot) {
            Guarded([&] { Walk(slot); });
        }
    }

private:
    static void Guarded(const auto& part) {
        try {
            part();
        } catch (const EKarteiEngineError&) {
        }
    }

    void Step() {
        if (++steps_ > stepLimit_) {
            std::abort();
        }
    }

    void ReadBlobs() {
        for (const TFieldDescriptor& field : table_.Fields()) {
            if (field.FieldType == FieldType::Blob) {
                Guarded([&] { table_.ReadBlob(record_, field, blob_); });
            }
        }
    }

    void Walk(int slot) {
        cursor_.SelectIndex(slot);
        cursor_.First();
        while (cursor_.GetNext(record_) == 0) {
            Step();
            ReadBlobs();
        }
        cursor_.Last();
        while (cursor_.GetPrior(record_) == 0) {
            Step();
        }
        const int32_t count = cursor_.RecordCount();
        cursor_.GoToOrdinal(count / 2 + 1);
        cursor_.Ordinal();
        cursor_.GetCurrent(record_, true);
        cursor_.MoveBy(-2);
        cursor_.MoveBy(3);
        if (slot == 255 || cursor_.GetCurrent(record_, false) != 0) {
            return;
        }
        std::vector<uint8_t> bookmark(cursor_.BookmarkSize());
        cursor_.GetBookmark(bookmark);
        const std::vector<uint8_t> found = record_;
        cursor_.First();
        cursor_.FindKey(TKeyForm::Record, found.data(), record_, 0, false, 0);
        cursor_.FindKey(TKeyForm::Record, found.data(), record_, 1, true, 1);
        cursor_.GoToBookmark(bookmark);
        cursor_.SetRange(TKeyForm::Record, found.data(), 0, found.data(), 0);
        cursor_.First();
        while (cursor_.GetNext(record_) == 0) {
            Step();
        }
        cursor_.CancelRange();
    }

    TDataCursorImpl& cursor_;
    TDataTableImpl& table_;
    std::vector<uint8_t> record_;
    TEngineBuffer blob_{4096};
    size_t stepLimit_;
    size_t steps_ = 0;
};

// The way a program opens the table: the first user's checks, then reading.
void OpenChecked(const std::string& folder, size_t stepLimit) {
    TDataSession session;
    TDataDirectoryImpl& directory = Inside(session.OpenDirectory(folder));
    TDataCursorImpl cursor(directory);
    try {
        cursor.Open(Request(true));
        TWalker(cursor, stepLimit).WalkEveryOrder();
    } catch (const EKarteiEngineError&) {
    }
}

// The way `kartei verify` opens it: no checks on opening, the whole check, then the walks over whatever
// it found.
void OpenForRepair(const std::string& folder, size_t stepLimit) {
    TDataSession session;
    TDataDirectoryImpl& directory = Inside(session.OpenDirectory(folder));
    TDataTableImpl* table = nullptr;
    try {
        if (directory.OpenTable(Request(false), table) != 0) {
            return;
        }
        table->RebuildMissingIndex();
        tools::CheckTable(*table);
        TDataCursorImpl cursor(directory);
        TTableOpenRequest request = Request(false);
        request.Join = true;
        cursor.Open(request);
        TWalker(cursor, stepLimit).WalkEveryOrder();
    } catch (const EKarteiEngineError&) {
    }
    if (table != nullptr) {
        directory.CloseTable(table);
    }
}

}  // namespace

TTableFiles SplitInput(std::span<const uint8_t> input) {
    TTableFiles files;
    files.Data = TakeBytes(input, TakeLength(input));
    const uint32_t indexLength = TakeLength(input);
    files.HasIndex = indexLength != kNoIndexFile;
    if (files.HasIndex) {
        files.Index = TakeBytes(input, indexLength);
    }
    files.Blob = TakeBytes(input, kNoIndexFile);
    return files;
}

std::vector<uint8_t> JoinInput(const TTableFiles& files) {
    std::vector<uint8_t> out;
    PutLength(out, static_cast<uint32_t>(files.Data.size()));
    out.insert(out.end(), files.Data.begin(), files.Data.end());
    PutLength(out, files.HasIndex ? static_cast<uint32_t>(files.Index.size()) : kNoIndexFile);
    out.insert(out.end(), files.Index.begin(), files.Index.end());
    out.insert(out.end(), files.Blob.begin(), files.Blob.end());
    return out;
}

void ExerciseTable(std::span<const uint8_t> input, const std::string& folder) {
    const TTableFiles files = SplitInput(input);
    const TTableFileNames names = TableFileNames(folder, kTableName);
    // Every entry a walk shows is a record slot of at least one byte in the data file, or in one
    // rebuilt from it, and each order is walked a few times over.
    const size_t stepLimit = 16 * (files.Data.size() + 64);
    WriteFiles(files, names);
    OpenChecked(folder, stepLimit);
    WriteFiles(files, names);
    OpenForRepair(folder, stepLimit);
}

}  // namespace kartei::fuzz
