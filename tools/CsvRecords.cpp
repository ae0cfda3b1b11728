#include "tools/CsvRecords.h"

#include <algorithm>
#include <filesystem>

#include "base/Cp1252.h"
#include "kartei/Errors.h"
#include "kartei/Field.h"
#include "tools/EngineFailure.h"
#include "tools/FieldParse.h"
#include "tools/FieldSyntax.h"
#include "tools/ToolError.h"

namespace kartei::tools {
namespace {

// The field number of every CSV column.
std::vector<uint16_t> MapColumns(const std::vector<std::string>& header,
                                 std::span<const TFieldDescriptor> fields,
                                 const TCsvRecords::TUnknownColumnAdvice& advice) {
    std::vector<uint16_t> columns;
    std::vector<bool> given(fields.size() + 1, false);
    for (const std::string& column : header) {
        const uint16_t number = FieldNumberOf(fields, Utf8ToCp1252(column));
        if (number == 0) {
            throw InputError("CSV column '" + column + "' is no field of the table (" + advice(column) + ")");
        }
        if (given[number]) {
            throw InputError("CSV column '" + column + "' is there twice");
        }
        given[number] = true;
        columns.push_back(number);
    }
    for (size_t k = 0; k < fields.size(); ++k) {
        if (!given[k + 1] && !fields[k].IsAutoIncrement()) {
            throw InputError("field '" + Cp1252ToUtf8(fields[k].Name) + "' has no CSV column");
        }
    }
    return columns;
}

// Turns CSV lines into records of one table.
class TRecordWriter {
public:
    TRecordWriter(TDataTableImpl& table, std::vector<uint16_t> columns)
        : table_(table), columns_(std::move(columns)), image_(table.Header().RecordSize) {}

    void Add(const std::vector<std::string>& row, int64_t line) {
        if (row.size() != columns_.size()) {
            throw InputError("CSV line " + std::to_string(line) + ": " + std::to_string(row.size()) +
                             " fields where the header has " + std::to_string(columns_.size()));
        }
        std::fill(image_.begin(), image_.end(), 0);
        bool ownAutoInc = false;
        blobs_.clear();
        for (size_t k = 0; k < row.size(); ++k) {
            const TFieldDescriptor& field = table_.Fields()[columns_[k] - 1];
            try {
                Store(field, row[k]);
            } catch (const EToolError& error) {
                throw InputError("CSV line " + std::to_string(line) + ", field '" + Cp1252ToUtf8(field.Name) +
                                 "': " + error.what());
            }
            ownAutoInc |= field.IsAutoIncrement() && !row[k].empty();
        }
        try {
            const int32_t number = table_.InsertRecord(image_, ownAutoInc);
            for (const auto& [field, contents] : blobs_) {
                table_.WriteBlob(number, *field, contents);
            }
        } catch (const EKarteiEngineError& error) {
            throw InputError("CSV line " + std::to_string(line) + ": " + EngineMessage(error));
        }
    }

private:
    void Store(const TFieldDescriptor& field, const std::string& text) {
        CheckRequired(field, text);
        if (field.FieldType == FieldType::Blob) {
            if (!text.empty()) {
                blobs_.emplace_back(&field, BlobContentsFromText(field, text));
            }
            return;
        }
        StoreFieldText(image_, field, text, table_.Header().LanguageId, table_.Header().SortId);
    }

    TDataTableImpl& table_;
    std::vector<uint16_t> columns_;
    std::vector<uint8_t> image_;
    std::vector<std::pair<const TFieldDescriptor*, std::vector<uint8_t>>> blobs_;
};

}  // namespace

TCsvRecords::TCsvRecords(const std::string& path)
    : path_(path), file_(path, std::ios::binary), reader_(file_) {
    if (!file_ || std::filesystem::is_directory(path)) {
        throw InputError("cannot read '" + path + "'");
    }
    if (!reader_.Next(header_)) {
        throw InputError("'" + path + "' is empty: the first line must name the fields");
    }
}

int64_t TCsvRecords::InsertInto(TDataTableImpl& table, TProgress& progress,
                                const TUnknownColumnAdvice& advice) {
    TRecordWriter writer(table, MapColumns(header_, table.Fields(), advice));
    int64_t count = 0;
    std::vector<std::string> row;
    while (reader_.Next(row)) {
        writer.Add(row, reader_.Line());
        if (keepLines_) {
            recordLines_.push_back(reader_.Line());
        }
        ++count;
        progress.Step();
    }
    if (file_.bad()) {
        throw InputError("error reading '" + path_ + "'");
    }
    return count;
}

int64_t TCsvRecords::FillNew(TDataTableImpl& table, TProgress& progress, const TUnknownColumnAdvice& advice) {
    table.DeferIndexes();
    keepLines_ = true;
    int64_t count = 0;
    try {
        count = InsertInto(table, progress, advice);
    } catch (const EToolError&) {
        // A record before the failing line may repeat a key: record by record, that line would have failed.
        BuildIndexes(table);
        throw;
    }
    BuildIndexes(table);
    return count;
}

void TCsvRecords::BuildIndexes(TDataTableImpl& table) const {
    int32_t duplicate = 0;
    try {
        table.BuildDeferredIndexes(duplicate);
    } catch (const EKarteiEngineError& error) {
        if (duplicate < 1 || static_cast<size_t>(duplicate) > recordLines_.size()) {
            throw;
        }
        throw InputError("CSV line " + std::to_string(recordLines_[static_cast<size_t>(duplicate) - 1]) +
                         ": " + EngineMessage(error));
    }
}

}  // namespace kartei::tools
