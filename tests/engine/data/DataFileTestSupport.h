#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <fstream>
#include <span>
#include <string>
#include <vector>

#include "engine/data/DataFile.h"
#include "engine/data/DataFileContext.h"
#include "engine/data/FetchCursor.h"
#include "engine/files/FileHandler.h"
#include "engine/files/FileTestSupport.h"
#include "engine/format/DataFileImage.h"
#include "engine/format/HeaderLifecycle.h"
#include "engine/format/RecordLayout.h"
#include "engine/format/Scramble.h"
#include "kartei/Field.h"
#include "kartei/Record.h"

namespace kartei::testing {

// The table's side of a data file, as plain switches.
class TTestContext : public TDataFileContext {
public:
    const std::string& TableName() const override { return Name; }
    bool ForceBufferFlush() const override { return Force; }
    bool StrictChangeDetection() const override { return Strict; }
    bool Exclusive() const override { return IsExclusive; }
    bool TransactionLocked() const override { return InTransaction; }
    bool HasWrittenChanges() const override { return Written; }
    void NoteWrittenChanges() override { Written = true; }

    std::string Name = "T.DAT";
    bool Force = false;
    bool Strict = false;
    bool IsExclusive = false;
    bool InTransaction = false;
    bool Written = false;
};

// A cursor that answers as told and counts the questions.
class TTestCursor : public TFetchCursor {
public:
    bool CheckForChanges() override {
        ++ChangeChecks;
        return ReportChange;
    }
    int32_t ReadAheadCount(int32_t, TReadDirection) override {
        ++ReadAheadQuestions;
        return ReadAhead;
    }
    bool PassingThrough() const override { return Passing; }

    bool ReportChange = false;
    bool Passing = false;
    int32_t ReadAhead = 1;
    int ChangeChecks = 0;
    int ReadAheadQuestions = 0;
};

// Counts flushes besides everything the counting system counts.
class TFlushCountingFileSystem : public TCountingFileSystem {
public:
    int Flush(TOsHandle handle) override {
        ++Flushes;
        return TCountingFileSystem::Flush(handle);
    }
    int Flushes = 0;
};

// The area-code table's fields: 9 + (1 + 4) + (1 + 21) = 36 bytes a record.
inline std::vector<TFieldDescriptor> AreaCodeFields() {
    return {TFieldDescriptor::Define("city_id", FieldType::Integer),
            TFieldDescriptor::Define("areacode", FieldType::String, 20)};
}

// One auto-increment field and nothing stored: 9 bytes a record.
inline std::vector<TFieldDescriptor> CounterFields() {
    return {TFieldDescriptor::Define("id", FieldType::Integer, 0, FieldSubtype::AutoIncrement)};
}

// A data file written through the format code and a file handler. Record n is live, carries n in
// bytes 1..4 and 1000 + n as auto-increment value, and (with the area-code fields) city_id 7 * n and
// areacode "0" followed by n.
class TTableFile {
public:
    explicit TTableFile(std::vector<TFieldDescriptor> fields, TNewTableOptions options = {})
        : Fields(std::move(fields)), Header(CreateDataHeader(options, Fields, "T.DAT")) {}

    std::vector<uint8_t> Record(int32_t n) const {
        std::vector<uint8_t> image(Header.RecordSize, 0);
        SetRecordStatus(image, kRecordLive);
        SetRecordLink(image, n);
        SetRecordAutoIncValue(image, 1000 + n);
        if (Fields.size() == 2) {
            SetIntegerField(image, Fields[0], 7 * n);
            SetStringField(image, Fields[1], "0" + std::to_string(n), 0, 0);
        }
        return image;
    }

    // Writes the header with `nextRecordNumber` (records + 1 when 0), the descriptors and `records`
    // records, scrambled when the table is encrypted.
    void Write(const std::string& path, int32_t records, int32_t nextRecordNumber = 0) {
        Header.NextRecordNumber = nextRecordNumber != 0 ? nextRecordNumber : records + 1;
        Header.LastAutoIncValue = 1000 + records;
        std::vector<uint8_t> bytes = NewDataFileImage(Header, Fields);
        for (int32_t n = 1; n <= records; ++n) {
            std::vector<uint8_t> image = Record(n);
            if (Header.IsEncrypted()) {
                ScrambleRecordImage(image);
            }
            bytes.insert(bytes.end(), image.begin(), image.end());
        }
        TFileHandler handler;
        handler.Create(path);
        handler.Write(bytes.data(), bytes.size());
        handler.Close();
    }

    std::vector<TFieldDescriptor> Fields;
    TDataHeader Header;
};

// Record n's bytes in the file, unscrambled when asked.
inline std::vector<uint8_t> RecordOnDisk(const std::string& path, const TDataHeader& header, int32_t n,
                                         bool unscramble = false) {
    const std::string bytes = ReadBytes(path);
    const size_t at = static_cast<size_t>(header.RecordFileOffset(n));
    std::vector<uint8_t> image(bytes.begin() + static_cast<ptrdiff_t>(at),
                               bytes.begin() + static_cast<ptrdiff_t>(at + header.RecordSize));
    if (unscramble) {
        ScrambleRecordImage(image);
    }
    return image;
}

inline TDataHeader HeaderOnDisk(const std::string& path) {
    const std::string bytes = ReadBytes(path);
    std::array<uint8_t, kDataHeaderSize> raw{};
    std::copy_n(bytes.begin(), kDataHeaderSize, raw.begin());
    return TDataHeader::Decode(raw);
}

inline std::vector<uint8_t> ImageOf(const TRecord& record) {
    return {record.Image().begin(), record.Image().end()};
}

// Fetches without read-ahead and releases at once, as a cursor copying the record would.
inline std::vector<uint8_t> FetchCopy(TDataFile& file, int32_t n) {
    TRecord* record = file.Fetch(nullptr, n, TReadDirection::Forward, false, false);
    std::vector<uint8_t> image = ImageOf(*record);
    file.Release(*record);
    return image;
}

// Overwrites bytes of a file in place.
inline void PatchFile(const std::string& path, int64_t offset, const std::vector<uint8_t>& bytes) {
    std::fstream file(path, std::ios::binary | std::ios::in | std::ios::out);
    file.seekp(offset);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// A scratch folder with the table file's path and the table's side of the data file.
class DataFileTestBase : public ::testing::Test {
protected:
    TTempDir dir_;
    std::string path_ = dir_.File("T.DAT");
    TTestContext context_;
};

}  // namespace kartei::testing
