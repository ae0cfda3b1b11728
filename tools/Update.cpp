#include "tools/Update.h"

#include <algorithm>
#include <ostream>

#include "engine/format/FieldTypes.h"
#include "engine/locale/Cp1252.h"
#include "tools/FieldParse.h"
#include "tools/FieldSyntax.h"
#include "tools/Progress.h"
#include "tools/Selection.h"
#include "tools/TableEdit.h"
#include "tools/ToolError.h"

namespace kartei::tools {
namespace {

// One --set FIELD=VALUE: the field and its new value; for a blob field, its new contents.
struct TAssignment {
    const TFieldDescriptor* Field = nullptr;
    std::string Value;
    std::vector<uint8_t> Contents;
};

// The changes, each checked against the table before any record is touched. EToolError: usage for a --set
// without FIELD=, bad input (naming the --set) for an unknown field, a field set twice, the auto-increment
// field, or a value the field cannot hold.
std::vector<TAssignment> Assignments(const TParsedArguments& arguments, const TDataTable& table) {
    std::vector<TAssignment> assignments;
    std::vector<uint8_t> scratch(table.Header().RecordSize);
    for (const std::string& text : arguments.Values("--set")) {
        const size_t equals = text.find('=');
        if (equals == std::string::npos || equals == 0) {
            throw UsageError("--set wants FIELD=VALUE, not '" + text + "'");
        }
        const std::string name = text.substr(0, equals);
        const auto fail = [&](const std::string& what) { return InputError("--set " + text + ": " + what); };
        const uint16_t number = FieldNumberOf(table.Fields(), Utf8ToCp1252(name));
        if (number == 0) {
            throw fail("the table has no field '" + name + "' (its fields: " + FieldNames(table.Fields()) +
                       ")");
        }
        TAssignment assignment{&table.Fields()[number - 1], text.substr(equals + 1), {}};
        const TFieldDescriptor& field = *assignment.Field;
        if (std::any_of(assignments.begin(), assignments.end(),
                        [&](const TAssignment& other) { return other.Field == &field; })) {
            throw fail("field '" + Cp1252ToUtf8(field.Name) + "' is set twice");
        }
        if (field.IsAutoIncrement()) {
            throw fail("field '" + Cp1252ToUtf8(field.Name) + "' is numbered by the table and cannot be set");
        }
        try {
            CheckRequired(field, assignment.Value);
            if (field.FieldType == FieldType::Blob) {
                assignment.Contents = BlobContentsFromText(field, assignment.Value);
            } else {
                StoreFieldText(scratch, field, assignment.Value, table.Header().LanguageId,
                               table.Header().SortId);
            }
        } catch (const EToolError& error) {
            throw fail(error.what());
        }
        assignments.push_back(std::move(assignment));
    }
    return assignments;
}

}  // namespace

TUpdateCommand::TUpdateCommand()
    : TCommand(
          "update", "change fields of the selected records of a table",
          TArgumentParser(
              std::string("TABLE ") + kSelectionUsage + " [--all] --set FIELD=VALUE ...",
              "Changes fields of the records that `kartei dump` lists with the same selection: those of\n"
              "a range on the first field of the index (the named one, else the primary index), or\n"
              "with --all every record. Values are given in the forms `kartei dump` writes; an empty\n"
              "value is null. The records change as one transaction: when one of them cannot be\n"
              "changed (a new value taken in a unique index), none is. Other users may have the\n"
              "table open meanwhile.",
              "Examples:\n"
              "  kartei update db/City.DAT --index City --range 'Halle Saale' --set 'City=Halle (Saale)'\n"
              "  kartei update db/AreaCode.DAT --index areacode --range 0371 --set city_id=42\n")) {
    Parser().AddPositional("TABLE", "the table's data file (.DAT; the extension may be left out)");
    AddEditSelectionOptions(Parser());
    Parser().AddOption("--set", "FIELD=VALUE", "the new value of a field (repeat for each field)");
    Parser().AddOption("--quiet", "", "no progress lines and no count on standard error");
}

int TUpdateCommand::Execute(const TParsedArguments& arguments, std::ostream&, std::ostream& err) {
    CheckEditSelection(arguments);
    if (!arguments.Has("--set")) {
        throw UsageError("give the changes with --set FIELD=VALUE");
    }
    TTableEdit edit(arguments.Positionals[0]);
    TDataTable& table = edit.Table();
    const std::vector<TAssignment> assignments = Assignments(arguments, table);
    TProgress progress(err, Name(), arguments.Has("--quiet"));
    edit.ChangeSelection(arguments, progress, [&](int32_t number, std::span<uint8_t> image) {
        for (const TAssignment& assignment : assignments) {
            if (assignment.Field->FieldType != FieldType::Blob) {
                StoreFieldText(image, *assignment.Field, assignment.Value, table.Header().LanguageId,
                               table.Header().SortId);
            }
        }
        table.ModifyRecord(number, image);
        for (const TAssignment& assignment : assignments) {
            if (assignment.Field->FieldType == FieldType::Blob) {
                table.WriteBlob(number, *assignment.Field, assignment.Contents);
            }
        }
    });
    edit.Commit();
    if (!progress.Quiet()) {
        err << "kartei update: changed " << RecordsText(progress.Count()) << " in " << edit.DataFile()
            << '\n';
    }
    return ExitStatus::Ok;
}

}  // namespace kartei::tools
