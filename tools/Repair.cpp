#include "tools/Repair.h"

#include <filesystem>
#include <fstream>
#include <optional>
#include <ostream>

#include "base/Cp1252.h"
#include "base/ScopeGuard.h"
#include "engine/format/Scramble.h"
#include "engine/index/IndexHeader.h"
#include "engine/index/IndexVerify.h"
#include "kartei/ErrorCodes.h"
#include "kartei/Errors.h"
#include "tools/DataFileMend.h"
#include "tools/TableCheck.h"
#include "tools/TableSession.h"
#include "tools/ToolError.h"

namespace kartei::tools {
namespace {

namespace fs = std::filesystem;

// The first free name of the form FILE.bak, FILE.bak2, ...
std::string BackupName(const std::string& file) {
    std::string name = file + ".bak";
    for (int n = 2; fs::exists(name); ++n) {
        name = file + ".bak" + std::to_string(n);
    }
    return name;
}

// The header block of the damaged index file as stored; nothing when the file is shorter than one.
std::optional<std::vector<uint8_t>> ReadHeaderBlock(const std::string& file) {
    std::vector<uint8_t> block(kIndexHeaderSize);
    std::ifstream in(file, std::ios::binary);
    if (!in.read(reinterpret_cast<char*>(block.data()), static_cast<std::streamsize>(block.size()))) {
        return std::nullopt;
    }
    return block;
}

// The index definitions of the damaged header, without their pages, when they fit the table's fields.
std::optional<TIndexHeader> SoundDefinitions(std::vector<uint8_t> block, TDataTableImpl& table) {
    if (table.Header().IsEncrypted()) {
        ScrambleRecordImage(block);
    }
    TIndexHeader header = TIndexHeader::Decode(std::span<const uint8_t, kIndexHeaderSize>(block));
    if (header.SecondaryCount > kDeletedIndexSlot - 1) {
        return std::nullopt;
    }
    header.EndOffset = 0;
    for (TIndexDescriptor& slot : header.Slots) {
        slot.RootPage = 0;
        slot.FreePageHead = 0;
    }
    try {
        VerifyIndexHeader(header, table.Fields(), table.Name());
    } catch (const EKarteiEngineError&) {
        return std::nullopt;
    }
    return header;
}

// Opens the table with an empty index file in place of the missing one, gives that file the kept
// definitions (if any), and fills it from the records.
void Rebuild(const std::string& path, const std::optional<std::vector<uint8_t>>& block, bool keepDefinitions,
             bool& definitionsKept) {
    TTableSession session(path);
    TDataTableImpl& table = session.OpenForRepair();
    definitionsKept = false;
    if (keepDefinitions && block) {
        if (const std::optional<TIndexHeader> kept = SoundDefinitions(*block, table)) {
            TIndexFile& file = table.IndexFile();
            file.SetDescriptor(kPrimaryIndexSlot, kept->Slots[kPrimaryIndexSlot]);
            for (int slot = 1; slot <= kept->SecondaryCount; ++slot) {
                file.AppendSecondaryDescriptor(kept->Slots[static_cast<size_t>(slot)]);
            }
            file.SetNoPrimaryKey(kept->NoPrimaryKey != 0);
            definitionsKept = true;
        }
    }
    table.RebuildMissingIndex();
}

// Before anything is moved: another user must not have the table open.
void RefuseTableInUse(const std::string& path) {
    TTableSession probe(path);
    try {
        probe.OpenForRepair();
    } catch (const EKarteiEngineError& error) {
        if (error.ErrorCode() == ErrorCode::TableLocked || error.ErrorCode() == ErrorCode::TableInUse) {
            throw;
        }
    }
}

std::string IndexNames(TDataTableImpl& table) {
    std::string names;
    for (int slot = 1; slot <= table.IndexFile().SecondaryIndexCount(); ++slot) {
        names += (names.empty() ? "" : ", ") + Cp1252ToUtf8(table.IndexFile().Descriptor(slot).Name);
    }
    return names;
}

}  // namespace

TRepairCommand::TRepairCommand()
    : TCommand(
          "repair", "rebuild a table's index file from its records",
          TArgumentParser("TABLE",
                          "Rebuilds the index file of a table from its data file, for a table whose index\n"
                          "file is damaged or lost, after mending what a change cut short can leave in the\n"
                          "data file (record slots beyond its count are cut off, a broken free list is\n"
                          "linked anew; the data file is kept as TABLE.DAT.bak first). The index\n"
                          "file is kept next to it as a backup\n"
                          "(TABLE.IDX.bak, or .bak2 and so on when that exists). The indexes keep their\n"
                          "definitions when the damaged file's header still holds them soundly; otherwise\n"
                          "only the record order is rebuilt and secondary indexes have to be made again.\n"
                          "The table must not be in use. Afterwards the table is checked as by 'verify';\n"
                          "the exit status is 1 when anything is still wrong (damage in the data or blob\n"
                          "file, which a new index cannot mend).",
                          "Example:\n  kartei repair db/City.DAT\n")) {
    Parser().AddPositional("TABLE", "the table's data file (.DAT; the extension may be left out)");
}

int TRepairCommand::Execute(const TParsedArguments& arguments, std::ostream& out, std::ostream&) {
    const std::string& path = arguments.Positionals[0];
    const TTableFileNames names = TTableSession(path).FileNames();
    std::string backup;
    const std::optional<std::vector<uint8_t>> block = ReadHeaderBlock(names.Index);
    if (fs::exists(names.Index)) {
        RefuseTableInUse(path);
    }
    for (const std::string& mended : MendDataFile(names.Data, BackupName(names.Data))) {
        out << names.Data << ": " << mended << '\n';
    }
    if (fs::exists(names.Index)) {
        backup = BackupName(names.Index);
        fs::rename(names.Index, backup);
    }
    bool definitionsKept = false;
    UndoOnError(
        [&] {
            try {
                Rebuild(path, block, true, definitionsKept);
            } catch (const EKarteiEngineError&) {
                // The kept definitions may not fit the records (a unique index over repeated keys): the
                // record order alone then.
                if (!definitionsKept) {
                    throw;
                }
                fs::remove(names.Index);
                Rebuild(path, block, false, definitionsKept);
            }
        },
        [&] {
            fs::remove(names.Index);
            if (!backup.empty()) {
                fs::rename(backup, names.Index);
            }
        });

    TTableSession session(path);
    TDataTableImpl& table = session.Open(false);
    out << names.Data << ": index file rebuilt from the records (" << table.RecordCount() << " records";
    const std::string indexes = IndexNames(table);
    out << (indexes.empty() ? std::string() : "; indexes " + indexes) << ")\n";
    if (!backup.empty()) {
        out << names.Data << ": the damaged index file is kept as " << backup << '\n';
    }
    if (!definitionsKept) {
        out << names.Data
            << ": the index definitions could not be taken over; only the record order was "
               "rebuilt (secondary indexes have to be made again)\n";
    }
    const std::vector<std::string> findings = CheckTable(table);
    if (findings.empty()) {
        out << names.Data << ": OK\n";
        return ExitStatus::Ok;
    }
    out << names.Data << ": " << findings.size() << (findings.size() == 1 ? " problem" : " problems")
        << " left\n";
    for (const std::string& finding : findings) {
        out << "  " << finding << '\n';
    }
    return ExitStatus::Damaged;
}

}  // namespace kartei::tools
