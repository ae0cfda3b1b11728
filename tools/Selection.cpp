#include "tools/Selection.h"

#include "engine/errors/EngineError.h"
#include "engine/errors/ErrorCodes.h"
#include "engine/errors/ErrorContext.h"
#include "engine/index/IndexFormat.h"
#include "engine/locale/Cp1252.h"
#include "engine/table/DataTable.h"
#include "tools/FieldParse.h"
#include "tools/ToolError.h"

namespace kartei::tools {
namespace {

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
    if (!HasRange(arguments)) {
        return;
    }
    const bool range = arguments.Has("--range");
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

void AddSelectionOptions(TArgumentParser& parser) {
    parser.AddOption("--index", "NAME", "the index whose order the records follow");
    parser.AddOption("--range", "VALUE", "only records whose first index field equals VALUE");
    parser.AddOption("--from", "VALUE", "only records whose first index field is at least VALUE");
    parser.AddOption("--to", "VALUE", "only records whose first index field is at most VALUE");
}

void AddEditSelectionOptions(TArgumentParser& parser) {
    AddSelectionOptions(parser);
    parser.AddOption("--all", "", "every record (needed when no range is given)");
}

bool HasRange(const TParsedArguments& arguments) {
    return arguments.Has("--range") || arguments.Has("--from") || arguments.Has("--to");
}

void CheckEditSelection(const TParsedArguments& arguments) {
    if (HasRange(arguments) && arguments.Has("--all")) {
        throw UsageError("--all cannot be combined with --range, --from or --to");
    }
    if (!HasRange(arguments) && !arguments.Has("--all")) {
        throw UsageError("give the records with --range or --from/--to, or --all for every record");
    }
}

void ApplySelection(TDataCursor& cursor, const TParsedArguments& arguments) {
    SelectOrder(cursor, arguments);
    SetRange(cursor, arguments);
}

void WalkSelection(TDataCursor& cursor, const std::function<void(std::span<const uint8_t> record)>& visit) {
    std::vector<uint8_t> record(cursor.RecordSize());
    cursor.First();
    for (int status = cursor.GetNext(record); status != CursorStatus::EndOfFile;
         status = cursor.GetNext(record)) {
        if (status != CursorStatus::Ok) {
            RaiseKarteiError(static_cast<uint16_t>(status), cursor.Table().Name());
        }
        visit(record);
    }
}

std::vector<int32_t> SelectedRecordNumbers(TDataCursor& cursor) {
    std::vector<int32_t> numbers;
    WalkSelection(cursor, [&](std::span<const uint8_t>) { numbers.push_back(cursor.CurrentRecordNumber()); });
    return numbers;
}

}  // namespace kartei::tools
