#include "tools/Dump.h"

#include <ostream>

#include "engine/cursor/DataCursor.h"
#include "engine/errors/EngineError.h"
#include "engine/errors/ErrorCodes.h"
#include "engine/errors/ErrorContext.h"
#include "engine/files/EngineMemory.h"
#include "engine/format/FieldTypes.h"
#include "engine/index/IndexFormat.h"
#include "engine/locale/Cp1252.h"
#include "tools/CsvWriter.h"
#include "tools/FieldParse.h"
#include "tools/FieldText.h"
#include "tools/TableSession.h"
#include "tools/ToolError.h"

namespace kartei::tools {
namespace {

constexpr size_t kBlobReadStep = 4096;

std::string IndexNames(const TDataCursor& cursor) {
    std::string names;
    for (int slot = 1; slot <= cursor.SecondaryIndexCount(); ++slot) {
        names += (names.empty() ? "" : ", ") + Cp1252ToUtf8(cursor.IndexDescriptor(slot).Name);
    }
    return names.empty() ? "none" : names;
}

void SelectOrder(TDataCursor& cursor, const TParsedArguments& arguments) {
    // Without --index the cursor stays on the primary index, or in record order when it has no fields.
    if (!arguments.Has("--index")) {
        return;
    }
    const std::string name = arguments.Value("--index");
    try {
        cursor.SelectIndex(Utf8ToCp1252(name));
    } catch (const EKarteiEngineError& error) {
        if (error.ErrorCode() != ErrorCode::InvalidIndexName) {
            throw;
        }
        throw InputError("the table has no index '" + name + "' (its indexes: " + IndexNames(cursor) + ")");
    }
}

// The range on the first field of the chosen index.
void SetRange(TDataCursor& cursor, const TParsedArguments& arguments) {
    const bool range = arguments.Has("--range");
    if (!range && !arguments.Has("--from") && !arguments.Has("--to")) {
        return;
    }
    if (range && (arguments.Has("--from") || arguments.Has("--to"))) {
        throw UsageError("--range cannot be combined with --from or --to");
    }
    const TIndexDescriptor index = cursor.IndexDescriptor(cursor.CurrentIndexSlot());
    if (cursor.NaturalOrder() || index.FieldCount == 0) {
        throw UsageError("a range needs an index with fields (--index NAME)");
    }
    const TDataTable& table = cursor.Table();
    const TFieldDescriptor* field = nullptr;
    for (const TFieldDescriptor& candidate : table.Fields()) {
        if (candidate.FieldNumber == index.FieldNumbers[0]) {
            field = &candidate;
        }
    }
    if (field == nullptr) {
        RaiseKarteiError(ErrorCode::HeaderCorrupt, table.Name());
    }
    const auto image = [&](const char* option) {
        std::vector<uint8_t> record(table.Header().RecordSize, 0);
        try {
            StoreFieldText(record, *field, arguments.Value(option), table.Header().LanguageId,
                           table.Header().SortId);
        } catch (const EToolError& error) {
            throw InputError(std::string(option) + ": " + error.what());
        }
        return record;
    };
    const std::vector<uint8_t> start = image(range ? "--range" : "--from");
    const std::vector<uint8_t> end = image(range ? "--range" : "--to");
    const bool hasStart = range || arguments.Has("--from");
    const bool hasEnd = range || arguments.Has("--to");
    cursor.SetRange(TKeyForm::Record, hasStart ? start.data() : nullptr, 1, hasEnd ? end.data() : nullptr, 1);
}

}  // namespace

TDumpCommand::TDumpCommand()
    : TCommand("dump", "write a table's records as CSV",
               TArgumentParser(
                   "TABLE [--index NAME] [--range VALUE | --from VALUE --to VALUE]",
                   "Writes the records of a table as CSV (RFC 4180, UTF-8) to standard output, the field\n"
                   "names first. The order is that of the named index, else of the primary index, or the\n"
                   "record order when the table has no primary-key fields. Null fields are empty; strings,\n"
                   "memos and names are converted from Windows-1252; booleans are true/false; dates\n"
                   "YYYY-MM-DD, times HH:MM:SS.mmm, date-times YYYY-MM-DD HH:MM:SS.mmm; bytes and other\n"
                   "blobs hexadecimal.",
                   "Examples:\n"
                   "  kartei dump db/City.DAT\n"
                   "  kartei dump db/City.DAT --index City --from Ber --to Berz\n"
                   "  kartei dump db/AreaCode.DAT --index city_id --range 42\n")) {
    Parser().AddPositional("TABLE", "the table's data file (.DAT; the extension may be left out)");
    Parser().AddOption("--index", "NAME", "the index whose order the records follow");
    Parser().AddOption("--range", "VALUE", "only records whose first index field equals VALUE");
    Parser().AddOption("--from", "VALUE", "only records whose first index field is at least VALUE");
    Parser().AddOption("--to", "VALUE", "only records whose first index field is at most VALUE");
}

int TDumpCommand::Execute(const TParsedArguments& arguments, std::ostream& out, std::ostream&) {
    TTableSession session(arguments.Positionals[0]);
    TDataCursor cursor(session.Directory());
    session.OpenCursor(cursor);
    SelectOrder(cursor, arguments);
    SetRange(cursor, arguments);

    TDataTable& table = cursor.Table();
    const std::span<const TFieldDescriptor> fields = table.Fields();
    std::vector<std::string> texts;
    for (const TFieldDescriptor& field : fields) {
        texts.push_back(Cp1252ToUtf8(field.Name));
    }
    WriteCsvRecord(out, texts);

    std::vector<uint8_t> record(cursor.RecordSize());
    TEngineBuffer contents(kBlobReadStep);
    cursor.First();
    for (int status = cursor.GetNext(record); status != CursorStatus::EndOfFile;
         status = cursor.GetNext(record)) {
        if (status != CursorStatus::Ok) {
            RaiseKarteiError(static_cast<uint16_t>(status), table.Name());
        }
        for (size_t k = 0; k < fields.size(); ++k) {
            const TFieldDescriptor& field = fields[k];
            if (field.FieldType == FieldType::Blob) {
                const size_t length = table.ReadBlob(record, field, contents);
                texts[k] = BlobText({contents.Data(), length}, field);
            } else {
                texts[k] = FieldText(record, field);
            }
        }
        WriteCsvRecord(out, texts);
    }
    return ExitStatus::Ok;
}

}  // namespace kartei::tools
