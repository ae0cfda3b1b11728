#include "tools/Import.h"

#include <charconv>
#include <filesystem>
#include <fstream>
#include <ostream>

#include "engine/errors/EngineError.h"
#include "engine/format/FieldTypes.h"
#include "engine/format/TableFileNames.h"
#include "engine/locale/Cp1252.h"
#include "tools/CsvReader.h"
#include "tools/EngineFailure.h"
#include "tools/FieldParse.h"
#include "tools/FieldSyntax.h"
#include "tools/TableStaging.h"
#include "tools/ToolError.h"

namespace kartei::tools {
namespace {

namespace fs = std::filesystem;

// Records between two progress lines.
constexpr int64_t kProgressStep = 10000;

uint16_t ParseNumber(std::string_view text, int base, const char* what) {
    if (base == 16 && (text.starts_with("0x") || text.starts_with("0X"))) {
        text.remove_prefix(2);
    }
    unsigned value = 0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (text.empty() || result.ec != std::errc() || result.ptr != text.data() + text.size() ||
        value > 0xFFFF) {
        throw UsageError("'" + std::string(text) + "' is not " + what);
    }
    return static_cast<uint16_t>(value);
}

TTableDefinition Definition(const TParsedArguments& arguments) {
    TTableDefinition definition;
    for (const std::string& text : arguments.Values("--field")) {
        definition.Fields.push_back(ParseFieldDefinition(text));
    }
    if (definition.Fields.empty()) {
        throw UsageError("give the table's fields with --field NAME:TYPE[:SIZE]");
    }
    if (arguments.Has("--primary")) {
        definition.PrimaryIndex = ParsePrimaryDefinition(arguments.Value("--primary"), definition.Fields);
    }
    for (const std::string& text : arguments.Values("--index")) {
        definition.SecondaryIndexes.push_back(ParseIndexDefinition(text, definition.Fields));
    }
    if (arguments.Has("--locale")) {
        const std::string locale = arguments.Value("--locale");
        const size_t colon = locale.find(':');
        definition.Options.LanguageId =
            ParseNumber(locale.substr(0, colon), 16, "a language id in hexadecimal");
        if (colon != std::string::npos) {
            definition.Options.SortId = ParseNumber(locale.substr(colon + 1), 10, "a sort id");
        }
    }
    bool lossless = true;
    definition.Options.Description = Utf8ToCp1252(arguments.Value("--description"), &lossless);
    if (!lossless || definition.Options.Description.size() > 50) {
        throw UsageError("the description must be at most 50 characters of Windows-1252");
    }
    if (arguments.Has("--blob-block-size")) {
        definition.Options.BlobBlockSize =
            ParseNumber(arguments.Value("--blob-block-size"), 10, "a block size");
    }
    return definition;
}

// The field number of every CSV column.
std::vector<uint16_t> MapColumns(const std::vector<std::string>& header, const TTableDefinition& definition) {
    std::vector<uint16_t> columns;
    std::vector<bool> given(definition.Fields.size() + 1, false);
    for (const std::string& column : header) {
        const uint16_t number = FieldNumberOf(definition.Fields, Utf8ToCp1252(column));
        if (number == 0) {
            throw InputError("CSV column '" + column + "' is no field of the table (add --field " + column +
                             ":TYPE)");
        }
        if (given[number]) {
            throw InputError("CSV column '" + column + "' is there twice");
        }
        given[number] = true;
        columns.push_back(number);
    }
    for (size_t k = 0; k < definition.Fields.size(); ++k) {
        if (!given[k + 1] && !definition.Fields[k].IsAutoIncrement()) {
            throw InputError("field '" + Cp1252ToUtf8(definition.Fields[k].Name) + "' has no CSV column");
        }
    }
    return columns;
}

class TImporter {
public:
    TImporter(TDataTable& table, std::vector<uint16_t> columns)
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
        if (field.Required != 0 && text.empty() && !field.IsAutoIncrement()) {
            throw InputError("a value is required");
        }
        if (field.FieldType == FieldType::Blob) {
            if (!text.empty()) {
                blobs_.emplace_back(&field, BlobContentsFromText(field, text));
            }
            return;
        }
        StoreFieldText(image_, field, text, table_.Header().LanguageId, table_.Header().SortId);
    }

    TDataTable& table_;
    std::vector<uint16_t> columns_;
    std::vector<uint8_t> image_;
    std::vector<std::pair<const TFieldDescriptor*, std::vector<uint8_t>>> blobs_;
};

}  // namespace

TImportCommand::TImportCommand()
    : TCommand(
          "import", "create a table from a CSV file",
          TArgumentParser(
              "CSV TABLE --field NAME:TYPE[:SIZE] ... [options]",
              "Creates TABLE (TABLE.DAT, TABLE.IDX and, with blob fields, TABLE.BLB) from a CSV file\n"
              "(RFC 4180, UTF-8, the first line naming the fields). Every CSV column must be a field;\n"
              "an auto-increment field may be left out (or empty) to be numbered. Values are read\n"
              "in the forms `kartei dump` writes; an empty value is null. Nothing is left behind\n"
              "when the import fails, and an existing table is only replaced with --force.",
              "Field types: " + TypeNames() +
                  ".\n"
                  "Field options (after the type and size): required, upper, lower.\n"
                  "Index options: unique, nocase, desc, compress=none|leading|trailing|both;\n"
                  "a field name followed by '-' sorts descending within the index.\n\n"
                  "Examples:\n"
                  "  kartei import people.csv db/People --field id:autoinc --field name:string:40 \\\n"
                  "      --field born:date --primary id --index name=name:nocase\n"
                  "  kartei import prices.csv db/Prices --field sku:string:12:upper --field price:bcd:2 \\\n"
                  "      --index sku=sku:unique --locale 0407:1\n")) {
    Parser().AddPositional("CSV", "the CSV file to read");
    Parser().AddPositional("TABLE", "the table to create (.DAT is supplied)");
    Parser().AddOption("--field", "NAME:TYPE[:SIZE][:OPT]",
                       "a field, in table order (repeat for each field)");
    Parser().AddOption("--primary", "FIELD[,FIELD][:OPT]",
                       "the primary key's fields (default: none,\n"
                       "records keep their order)");
    Parser().AddOption("--index", "NAME=FIELD[,FIELD][:OPT]", "a secondary index (repeatable)");
    Parser().AddOption("--locale", "LANG[:SORT]",
                       "language id in hex and sort id, e.g. 0407:1 for German\n"
                       "phone book order (default: none, byte order)");
    Parser().AddOption("--description", "TEXT", "the table's description (at most 50 characters)");
    Parser().AddOption("--blob-block-size", "BYTES", "block size of the blob file (default 512)");
    Parser().AddOption("--force", "", "replace an existing table");
    Parser().AddOption("--quiet", "", "no progress lines on standard error");
}

int TImportCommand::Execute(const TParsedArguments& arguments, std::ostream& out, std::ostream& err) {
    const TTableDefinition definition = Definition(arguments);
    const std::string& csvPath = arguments.Positionals[0];
    const fs::path tablePath(arguments.Positionals[1]);
    const std::string name = tablePath.filename().string();
    const std::string directory = tablePath.has_parent_path() ? tablePath.parent_path().string() : ".";
    if (IsBlankFileName(name)) {
        throw UsageError("'" + tablePath.string() + "' names no table");
    }
    const std::string dataFile = TableFileNames(directory, name).Data;
    if (fs::exists(dataFile) && !arguments.Has("--force")) {
        throw InputError("'" + dataFile + "' exists (--force replaces it)");
    }
    std::ifstream csv(csvPath, std::ios::binary);
    if (!csv || fs::is_directory(csvPath)) {
        throw InputError("cannot read '" + csvPath + "'");
    }
    TCsvReader reader(csv);
    std::vector<std::string> row;
    if (!reader.Next(row)) {
        throw InputError("'" + csvPath + "' is empty: the first line must name the fields");
    }
    const std::vector<uint16_t> columns = MapColumns(row, definition);

    TTableStaging staging(directory);
    TImporter importer(staging.Create(name, definition), columns);
    int64_t count = 0;
    while (reader.Next(row)) {
        importer.Add(row, reader.Line());
        if (++count % kProgressStep == 0 && !arguments.Has("--quiet")) {
            err << "kartei import: " << count << " records\n" << std::flush;
        }
    }
    if (csv.bad()) {
        throw InputError("error reading '" + csvPath + "'");
    }
    staging.Commit();
    out << "imported " << count << (count == 1 ? " record" : " records") << " into " << dataFile << '\n';
    return ExitStatus::Ok;
}

}  // namespace kartei::tools
