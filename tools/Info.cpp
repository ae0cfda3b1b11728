#include "tools/Info.h"

#include <cstdio>
#include <ostream>

#include "base/Cp1252.h"
#include "base/DateTime.h"
#include "engine/index/IndexTree.h"
#include "engine/locale/LocaleId.h"
#include "tools/FieldSyntax.h"
#include "tools/FieldText.h"
#include "tools/TableSession.h"
#include "tools/TextTable.h"
#include "tools/ToolError.h"

namespace kartei::tools {
namespace {

std::string YesNo(bool value) {
    return value ? "yes" : "no";
}

std::string LocaleText(const TDataHeader& header) {
    if (header.LanguageId == 0) {
        return "none (byte order)";
    }
    char id[16];
    std::snprintf(id, sizeof id, "%04X", header.LanguageId);
    const std::string icu = IcuLocaleName(MakeLocaleId(header.LanguageId, header.SortId));
    return "language " + std::string(id) + " hex, sort id " + std::to_string(header.SortId) +
           (icu.empty() ? std::string() : " (" + icu + ")");
}

std::string LastUpdateText(double stamp) {
    if (stamp == 0) {
        return "never";
    }
    // The stamp is the local time as days since 1899-12-30, less 693594.
    const double days = stamp + 2.0 * kDayNumberOf18991230;
    return DateTimeFieldText(TTimeStamp{days * kMillisecondsPerDay});
}

void PrintHeader(std::ostream& out, const std::string& path, TDataTableImpl& table) {
    const TDataHeader& header = table.Header();
    TTextTable lines({"Table:", path});
    lines.Add({"Records:", std::to_string(table.RecordCount())});
    lines.Add({"Record slots:", std::to_string(header.RecordSlotCount())});
    lines.Add({"Record size:", std::to_string(header.RecordSize) + " bytes"});
    lines.Add({"Fields:", std::to_string(header.FieldCount)});
    lines.Add({"Blob fields:", std::to_string(header.BlobFieldCount)});
    if (header.BlobFieldCount > 0) {
        lines.Add({"Blob block size:", std::to_string(header.EffectiveBlobBlockSize()) + " bytes"});
    }
    lines.Add({"Locale:", LocaleText(header)});
    lines.Add({"Description:", Cp1252ToUtf8(header.Description)});
    lines.Add({"Encrypted:", YesNo(header.IsEncrypted())});
    lines.Add({"Format version:", std::to_string(header.Version)});
    lines.Add({"Engine version:", std::to_string(header.EngineVersion / 10000) + "." +
                                      std::to_string(header.EngineVersion % 10000 / 100)});
    lines.Add({"Change count:", std::to_string(header.ChangeCount)});
    lines.Add({"Last update:", LastUpdateText(header.LastUpdate)});
    lines.Add({"Last auto-increment:", std::to_string(header.LastAutoIncValue)});
    lines.Add({"Free list head:", std::to_string(header.FreeListHead)});
    lines.Add(
        {"User versions:", std::to_string(header.UserVersion1) + ", " + std::to_string(header.UserVersion2)});
    lines.Print(out, "");
}

void PrintFields(std::ostream& out, TDataTableImpl& table) {
    TTextTable lines({"#", "Name", "Type", "Offset", "Width", "Required", "Case", "Default"});
    static const char* const kCase[] = {"", "lower", "upper"};
    for (const TFieldDescriptor& field : table.Fields()) {
        lines.Add({std::to_string(field.FieldNumber), Cp1252ToUtf8(field.Name), TypeText(field),
                   std::to_string(field.Offset), std::to_string(field.DataWidth), YesNo(field.Required != 0),
                   field.CharCase < 3 ? kCase[field.CharCase] : std::to_string(field.CharCase),
                   Cp1252ToUtf8(field.DefaultValue)});
    }
    out << "\nFields:\n";
    lines.Print(out, "  ");
}

// Levels from the root to the leaves; 0 for an empty index.
int IndexDepth(TIndexFile& file, int slot) {
    for (;;) {
        int depth = 0;
        uint32_t offset = file.Root(slot);
        TPageRef page;
        while (offset != 0 && depth < kMaxTreeDepth && (page = file.ReadPage(slot, offset))) {
            ++depth;
            offset = page->IsLeaf() ? 0 : page->Value(1);
        }
        // An empty reference: another user changed the file, so the descent starts again.
        if (offset == 0 || depth == kMaxTreeDepth) {
            return depth;
        }
    }
}

std::string IndexFieldsText(TDataTableImpl& table, const TIndexDescriptor& index) {
    std::string text;
    for (int k = 0; k < index.FieldCount; ++k) {
        const TFieldDescriptor* field = nullptr;
        for (const TFieldDescriptor& candidate : table.Fields()) {
            if (candidate.FieldNumber == index.FieldNumbers[static_cast<size_t>(k)]) {
                field = &candidate;
            }
        }
        text += (k > 0 ? "," : "") +
                (field != nullptr ? Cp1252ToUtf8(field->Name) : "#" + std::to_string(index.FieldNumbers[k])) +
                (index.FieldDescending[static_cast<size_t>(k)] != 0 ? "-" : "");
    }
    return text;
}

std::string OptionsText(const TIndexDescriptor& index, int slot) {
    std::string text;
    const auto add = [&](bool on, const char* option) {
        if (on) {
            text += (text.empty() ? "" : ",") + std::string(option);
        }
    };
    add(slot == kPrimaryIndexSlot, "primary");
    add(index.Unique != 0, "unique");
    add(index.CaseInsensitive != 0, "nocase");
    add(index.Descending != 0, "desc");
    return text;
}

std::string CompressionText(uint8_t compression) {
    static const char* const kNames[] = {"none", "leading", "trailing", "both"};
    return compression < 4 ? kNames[compression] : std::to_string(compression);
}

void PrintIndexes(std::ostream& out, TDataTableImpl& table) {
    TIndexFile& file = table.IndexFile();
    TTextTable lines({"Slot", "Name", "Fields", "Options", "Key length", "Compression", "Depth", "Records"});
    std::vector<int> slots;
    for (int slot = 0; slot <= file.SecondaryIndexCount(); ++slot) {
        slots.push_back(slot);
    }
    slots.push_back(kDeletedIndexSlot);
    for (const int slot : slots) {
        const TIndexDescriptor& index = file.Descriptor(slot);
        if (slot == kPrimaryIndexSlot && index.FieldCount == 0) {
            lines.Add({"0", "(primary)", "(none: record order)", "", "", "", "",
                       std::to_string(table.RecordCount())});
            continue;
        }
        const TKeyLayout layout = table.KeyLayout(slot);
        TIndexTree tree(file, slot, layout);
        lines.Add({std::to_string(slot), slot == kPrimaryIndexSlot ? "(primary)" : Cp1252ToUtf8(index.Name),
                   slot == kDeletedIndexSlot ? "(record status)" : IndexFieldsText(table, index),
                   OptionsText(index, slot), std::to_string(index.KeyLength),
                   CompressionText(index.Compression), std::to_string(IndexDepth(file, slot)),
                   std::to_string(tree.EntryCount())});
    }
    out << "\nIndexes:\n";
    lines.Print(out, "  ");
}

}  // namespace

TInfoCommand::TInfoCommand()
    : TCommand("info", "show a table's header, fields and indexes",
               TArgumentParser("TABLE",
                               "Shows the header values, the fields and the indexes of a table, after the\n"
                               "checks every first user of a table makes.",
                               "Example:\n  kartei info db/City.DAT\n")) {
    Parser().AddPositional("TABLE", "the table's data file (.DAT; the extension may be left out)");
}

int TInfoCommand::Execute(const TParsedArguments& arguments, std::ostream& out, std::ostream&) {
    TTableSession session(arguments.Positionals[0]);
    TDataTableImpl& table = session.Open(true);
    PrintHeader(out, session.DataFile(), table);
    PrintFields(out, table);
    PrintIndexes(out, table);
    return ExitStatus::Ok;
}

}  // namespace kartei::tools
