#include "tools/Dump.h"

#include <ostream>

#include "engine/cursor/DataCursor.h"
#include "engine/files/EngineMemory.h"
#include "engine/format/FieldTypes.h"
#include "engine/locale/Cp1252.h"
#include "tools/CsvWriter.h"
#include "tools/FieldText.h"
#include "tools/Selection.h"
#include "tools/TableSession.h"
#include "tools/ToolError.h"

namespace kartei::tools {
namespace {

constexpr size_t kBlobReadStep = 4096;

}  // namespace

TDumpCommand::TDumpCommand()
    : TCommand("dump", "write a table's records as CSV",
               TArgumentParser(
                   std::string("TABLE ") + kSelectionUsage,
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
    AddSelectionOptions(Parser());
}

int TDumpCommand::Execute(const TParsedArguments& arguments, std::ostream& out, std::ostream&) {
    TTableSession session(arguments.Positionals[0]);
    TDataCursor cursor(session.Directory());
    session.OpenCursor(cursor);
    ApplySelection(cursor, arguments);

    TDataTable& table = cursor.Table();
    const std::span<const TFieldDescriptor> fields = table.Fields();
    std::vector<std::string> texts;
    for (const TFieldDescriptor& field : fields) {
        texts.push_back(Cp1252ToUtf8(field.Name));
    }
    WriteCsvRecord(out, texts);

    TEngineBuffer contents(kBlobReadStep);
    WalkSelection(cursor, [&](std::span<const uint8_t> record) {
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
    });
    return ExitStatus::Ok;
}

}  // namespace kartei::tools
