#include "tools/Import.h"

#include <charconv>
#include <filesystem>
#include <ostream>

#include "base/Cp1252.h"
#include "engine/format/TableFileNames.h"
#include "tools/CsvRecords.h"
#include "tools/FieldSyntax.h"
#include "tools/Progress.h"
#include "tools/TableStaging.h"
#include "tools/ToolError.h"

namespace kartei::tools {
namespace {

namespace fs = std::filesystem;

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
    Parser().AddOption("--quiet", "",
                       "no progress line on standard error (a terminal\n"
                       "shows one while the records go in)");
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
    TCsvRecords records(csvPath);
    TTableStaging staging(directory);
    TProgress progress(err, Name(), arguments.Has("--quiet"));
    const int64_t count =
        records.FillNew(staging.Create(name, definition), progress,
                        [](const std::string& column) { return "add --field " + column + ":TYPE"; });
    staging.Commit();
    out << "imported " << RecordsText(count) << " into " << dataFile << '\n';
    return ExitStatus::Ok;
}

}  // namespace kartei::tools
