// Deleting and renaming the files of a table, and renaming them to their backup names, in a disk directory
// and in the memory database alike; and what a failure halfway leaves.
#include <gtest/gtest.h>

#include <cerrno>
#include <functional>
#include <string>
#include <vector>

#include "engine/errors/ErrorContext.h"
#include "engine/faults/FailingFileSystem.h"
#include "engine/files/FileList.h"
#include "engine/table/TableTestSupport.h"

namespace kartei::testing {
namespace {

TTableDefinition NotesDefinition() {
    TTableDefinition definition;
    definition.Fields = {TFieldDescriptor::Define("title", FieldType::String, 20),
                         TFieldDescriptor::Define("text", FieldType::Blob, 0, 22)};
    definition.SecondaryIndexes = {TIndexDefinition::Over("title", {1})};
    definition.Options.BlobBlockSize = 128;
    return definition;
}

std::vector<uint8_t> NoteRecord(const TDataTable& table, std::string_view title) {
    std::vector<uint8_t> image = BlankRecord(table);
    SetStringField(image, table.Fields()[0], title, 0, 0);
    return image;
}

std::string Title(TDataTable& table, int32_t recordNumber) {
    return std::string(GetStringField(Read(table, recordNumber), table.Fields()[0]));
}

std::vector<uint8_t> Pattern(size_t length, uint8_t seed) {
    std::vector<uint8_t> bytes(length);
    for (size_t k = 0; k < length; ++k) {
        bytes[k] = static_cast<uint8_t>(k * 7 + seed);
    }
    return bytes;
}

// The same tests on disk (false) and in memory (true).
class TableFiles : public TableTest, public ::testing::WithParamInterface<bool> {
protected:
    void SetUp() override {
        if (GetParam()) {
            directory_ = &session_.OpenDirectory("MEMORY");
        }
    }
    // Memory files outlive their tables: none is left for the next test.
    void TearDown() override {
        if (GetParam()) {
            for (const std::string& name : used_) {
                FileList().Delete(name, true);
            }
        }
    }

    bool InMemory() const { return GetParam(); }
    std::string Name(const std::string& file) {
        std::string name = InMemory() ? file : File(file);
        used_.push_back(name);
        return name;
    }
    bool Exists(const std::string& file) { return FileList().Exists(Name(file), InMemory()); }
    std::vector<std::string> Existing(const std::string& table) {
        std::vector<std::string> found;
        for (const char* extension : {".DAT", ".IDX", ".BLB", ".DBK", ".IBK", ".BBK"}) {
            if (Exists(table + extension)) {
                found.push_back(table + extension);
            }
        }
        return found;
    }
    // A file's bytes, read through the registry.
    std::string Bytes(const std::string& file) {
        TFileHandler handler;
        handler.SetInMemory(InMemory());
        handler.Open(Name(file), false);
        std::string bytes(static_cast<size_t>(handler.Size()), '\0');
        handler.Seek(0, TSeekOrigin::Start);
        handler.Read(bytes.data(), bytes.size());
        return bytes;
    }
    void MakeFile(const std::string& file, const std::string& bytes) {
        TFileHandler handler;
        handler.SetInMemory(InMemory());
        handler.Create(Name(file));
        handler.Write(bytes.data(), bytes.size());
    }

    // City with two records, closed.
    void MakeCity(const std::string& name = "City") {
        TDataTable* table = Create(name, CityDefinition());
        table->InsertRecord(CityRecord(*table, "Celle"));
        table->InsertRecord(CityRecord(*table, "Bonn"));
        Close(table);
    }
    // Notes with one record and its blob, closed.
    void MakeNotes() {
        TDataTable* table = Create("Notes", NotesDefinition());
        table->InsertRecord(NoteRecord(*table, "Brief"));
        table->WriteBlob(1, table->Fields()[1], Pattern(300, 1));
        Close(table);
    }
    void ExpectCity(const std::string& name) {
        TDataTable* table = Open(name);
        ASSERT_NE(table, nullptr);
        table->VerifyFiles();
        EXPECT_EQ(TextsInOrder(*table, "City"), (std::vector<std::string>{"Bonn", "Celle"}));
        ExpectIndexesSound(*table);
        Close(table);
    }
    void ExpectNotes(const std::string& name) {
        TDataTable* table = Open(name);
        ASSERT_NE(table, nullptr);
        table->VerifyFiles();
        EXPECT_EQ(Title(*table, 1), "Brief");
        TEngineBuffer contents(64);
        const size_t length = table->ReadBlob(Read(*table, 1), table->Fields()[1], contents);
        EXPECT_EQ(std::vector<uint8_t>(contents.Data(), contents.Data() + length), Pattern(300, 1));
        Close(table);
    }

    std::vector<std::string> used_;
};

INSTANTIATE_TEST_SUITE_P(DiskAndMemory, TableFiles, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return info.param ? "Memory" : "Disk";
                         });

TEST_P(TableFiles, DeletingATableDeletesEachOfItsFiles) {
    MakeCity();
    MakeNotes();
    directory_->DeleteTable("Notes");
    EXPECT_EQ(Existing("Notes"), std::vector<std::string>{});
    EXPECT_EQ(Existing("City"), (std::vector<std::string>{"City.DAT", "City.IDX"}));
    directory_->DeleteTable("City.DAT");
    EXPECT_EQ(Existing("City"), std::vector<std::string>{});
    EXPECT_EQ(Raised([&] { Open("City"); }).Code, 11010);

    // A table whose index file is missing still goes.
    MakeCity();
    ASSERT_EQ(FileList().Delete(Name("City.IDX"), InMemory()), 0);
    directory_->DeleteTable("City");
    EXPECT_EQ(Existing("City"), std::vector<std::string>{});
}

TEST_P(TableFiles, RenamingATableRenamesEachOfItsFiles) {
    MakeCity();
    MakeNotes();
    directory_->RenameTable("City", "Orte");
    EXPECT_EQ(Existing("City"), std::vector<std::string>{});
    EXPECT_EQ(Existing("Orte"), (std::vector<std::string>{"Orte.DAT", "Orte.IDX"}));
    ExpectCity("Orte");

    directory_->RenameTable("Notes.DAT", "Briefe");
    EXPECT_EQ(Existing("Notes"), std::vector<std::string>{});
    EXPECT_EQ(Existing("Briefe"), (std::vector<std::string>{"Briefe.DAT", "Briefe.IDX", "Briefe.BLB"}));
    ExpectNotes("Briefe");
}

TEST_P(TableFiles, RenamingToTheBackupNamesReplacesOlderBackups) {
    MakeNotes();
    const std::string data = Bytes("Notes.DAT");
    const std::string index = Bytes("Notes.IDX");
    const std::string blob = Bytes("Notes.BLB");
    MakeFile("Notes.DBK", "an older backup");
    MakeFile("Notes.BBK", "an older backup");
    directory_->RenameTableToBackup("Notes");
    EXPECT_EQ(Existing("Notes"), (std::vector<std::string>{"Notes.DBK", "Notes.IBK", "Notes.BBK"}));
    EXPECT_EQ(Bytes("Notes.DBK"), data);
    EXPECT_EQ(Bytes("Notes.IBK"), index);
    EXPECT_EQ(Bytes("Notes.BBK"), blob);

    // A table without blob file leaves no blob backup, not even an older one.
    MakeCity();
    MakeFile("City.BBK", "an older backup");
    directory_->RenameTableToBackup("City");
    EXPECT_EQ(Existing("City"), (std::vector<std::string>{"City.DBK", "City.IBK"}));
}

TEST_P(TableFiles, ATableInUseIsLeftAlone) {
    MakeCity();
    const std::string denied = EngineMessage(11013, "Access denied to table 'City.DAT'");
    const std::vector<std::function<void()>> operations = {[&] { directory_->DeleteTable("City"); },
                                                           [&] { directory_->RenameTable("CITY", "Orte"); },
                                                           [&] { directory_->RenameTableToBackup("City"); }};

    TDataTable* table = Open("City");
    for (const auto& operation : operations) {
        const TRaised raised = Raised(operation);
        EXPECT_EQ(raised.Code, 11013);
        EXPECT_EQ(raised.Message, denied);
    }
    Close(table);
    // Closed inside a transaction, the table keeps its files until the transaction ends.
    table = Open("City");
    directory_->StartTransaction();
    Close(table);
    for (const auto& operation : operations) {
        EXPECT_EQ(Raised(operation).Code, 11013);
    }
    directory_->EndTransaction(true);
    EXPECT_EQ(Existing("City"), (std::vector<std::string>{"City.DAT", "City.IDX"}));
    ExpectCity("City");
}

TEST_P(TableFiles, ARenameNeverReplacesAnotherTablesFiles) {
    MakeCity();
    MakeCity("Orte");
    TDataTable* orte = Open("Orte");
    orte->InsertRecord(CityRecord(*orte, "Aachen"));
    Close(orte);
    const std::string orteData = Bytes("Orte.DAT");
    const TRaised raised = Raised([&] { directory_->RenameTable("City", "Orte"); });
    EXPECT_EQ(raised.Code, 13060);
    EXPECT_EQ(raised.Message, EngineMessage(13060, "The table 'Orte.DAT' already exists"));
    ExpectCity("City");
    EXPECT_EQ(Bytes("Orte.DAT"), orteData);

    // A file of the new name alone is enough to refuse.
    MakeFile("Dorf.BLB", "not a blob file of City");
    EXPECT_EQ(Raised([&] { directory_->RenameTable("City", "Dorf"); }).Code, 13060);
    EXPECT_EQ(Existing("City"), (std::vector<std::string>{"City.DAT", "City.IDX"}));
    EXPECT_EQ(Existing("Dorf"), std::vector<std::string>{"Dorf.BLB"});
}

TEST_P(TableFiles, NamesThatNameNoTable) {
    const std::string missing =
        EngineMessage(11010, "Invalid path or file name for table '" +
                                 (InMemory() ? std::string() : temp_.Path() + "/") + "Nothing.DAT'");
    for (const auto& operation : std::vector<std::function<void()>>{
             [&] { directory_->DeleteTable("Nothing"); }, [&] { directory_->RenameTable("Nothing", "Orte"); },
             [&] { directory_->RenameTableToBackup("Nothing"); }}) {
        const TRaised raised = Raised(operation);
        EXPECT_EQ(raised.Code, 11010);
        EXPECT_EQ(raised.Message, missing);
    }
    MakeCity();
    EXPECT_EQ(Raised([&] { directory_->RenameTable("City", "  .DAT"); }).Code, 11010);
    EXPECT_EQ(Existing("City"), (std::vector<std::string>{"City.DAT", "City.IDX"}));
}

using TableFilesInUseElsewhere = TableTest;

TEST_F(TableFilesInUseElsewhere, ATableAnotherSessionHasOpenIsLeftAlone) {
    TDataTable* table = Create("Notes", NotesDefinition());
    Close(table);
    TDataSession otherSession;
    TTableOpenRequest request;
    request.Name = "Notes";
    TDataDirectory& otherDirectory = otherSession.OpenDirectory(temp_.Path());
    ASSERT_EQ(otherDirectory.OpenTable(request, table), 0);
    const TRaised raised = Raised([&] { directory_->RenameTable("Notes", "Briefe"); });
    EXPECT_EQ(raised.Code, 11013);
    EXPECT_EQ(raised.Message, EngineMessage(11013, "Access denied to table '" + File("Notes.DAT") + "'"));
    EXPECT_EQ(Raised([&] { directory_->DeleteTable("Notes"); }).Code, 11013);
    EXPECT_EQ(Raised([&] { directory_->RenameTableToBackup("Notes"); }).Code, 11013);
    EXPECT_EQ(otherDirectory.CloseTable(table), 0);
    for (const char* file : {"Notes.DAT", "Notes.IDX", "Notes.BLB"}) {
        EXPECT_TRUE(FileList().Exists(File(file), false)) << file;
    }
    directory_->DeleteTable("Notes");
    EXPECT_FALSE(FileList().Exists(File("Notes.DAT"), false));
}

TEST_F(TableFilesInUseElsewhere, ATableAnotherProcessHasOpenIsLeftAlone) {
    TDataTable* table = Create("Notes", NotesDefinition());
    Close(table);
    TChildProcess child([&](TChildProcess& parent) {
        TDataSession session;
        TTableOpenRequest request;
        request.Name = "Notes";
        TDataTable* opened = nullptr;
        TDataDirectory& directory = session.OpenDirectory(temp_.Path());
        if (directory.OpenTable(request, opened) != 0) {
            return 1;
        }
        parent.Signal();
        parent.Await();
        return directory.CloseTable(opened) == 0 ? 0 : 2;
    });
    ASSERT_TRUE(child.Started());
    ASSERT_TRUE(child.Await());
    EXPECT_EQ(Raised([&] { directory_->DeleteTable("Notes"); }).Code, 11013);
    EXPECT_EQ(Raised([&] { directory_->RenameTable("Notes", "Briefe"); }).Code, 11013);
    EXPECT_EQ(Raised([&] { directory_->RenameTableToBackup("Notes"); }).Code, 11013);
    for (const char* file : {"Notes.DAT", "Notes.IDX", "Notes.BLB"}) {
        EXPECT_TRUE(FileList().Exists(File(file), false)) << file;
    }
    child.Signal();
    EXPECT_EQ(child.Join(), 0);
    directory_->RenameTable("Notes", "Briefe");
    EXPECT_TRUE(FileList().Exists(File("Briefe.BLB"), false));
}

// A disk whose rename or delete of one file fails.
class TRefusingFileSystem : public TFailingFileSystem {
public:
    TRefusingFileSystem(std::string renameFrom, std::string unlink, int error)
        : TFailingFileSystem(TFaultKind::Read, 0),
          renameFrom_(std::move(renameFrom)),
          unlink_(std::move(unlink)),
          error_(error) {}
    int Rename(const std::string& from, const std::string& to) override {
        return from == renameFrom_ ? error_ : TFailingFileSystem::Rename(from, to);
    }
    int Unlink(const std::string& path) override {
        return path == unlink_ ? error_ : TFailingFileSystem::Unlink(path);
    }

private:
    std::string renameFrom_;
    std::string unlink_;
    int error_;
};

using TableFilesOnFailingDisk = TableTest;

TEST_F(TableFilesOnFailingDisk, ARenameThatFailsHalfwayIsTakenBack) {
    TDataTable* table = Create("Notes", NotesDefinition());
    table->InsertRecord(NoteRecord(*table, "Brief"));
    Close(table);
    for (const char* refused : {"Notes.DAT", "Notes.IDX", "Notes.BLB"}) {
        SCOPED_TRACE(refused);
        TRefusingFileSystem disk(File(refused), "", EIO);
        const TScopedOsFileSystem scoped(disk);
        const TRaised raised = Raised([&] { directory_->RenameTable("Notes", "Briefe"); });
        EXPECT_EQ(raised.Code, 11047);
        EXPECT_EQ(raised.Message,
                  EngineMessage(11047, "An unknown operating system error occurred with table '" +
                                           File(refused) + "'"));
        EXPECT_EQ(ErrorContextOsError(), EIO);
        EXPECT_EQ(Raised([&] { directory_->RenameTableToBackup("Notes"); }).Code, 11047);
        for (const char* file : {"Notes.DAT", "Notes.IDX", "Notes.BLB"}) {
            EXPECT_TRUE(FileList().Exists(File(file), false)) << file;
        }
        for (const char* file :
             {"Briefe.DAT", "Briefe.IDX", "Briefe.BLB", "Notes.DBK", "Notes.IBK", "Notes.BBK"}) {
            EXPECT_FALSE(FileList().Exists(File(file), false)) << file;
        }
    }
    table = Open("Notes");
    table->VerifyFiles();
    EXPECT_EQ(Title(*table, 1), "Brief");
    Close(table);
}

TEST_F(TableFilesOnFailingDisk, ADeleteThatFailsReportsIt) {
    TDataTable* table = Create("Notes", NotesDefinition());
    Close(table);
    {
        // The data file stays: so does the whole table.
        TRefusingFileSystem disk("", File("Notes.DAT"), EBUSY);
        const TScopedOsFileSystem scoped(disk);
        const TRaised raised = Raised([&] { directory_->DeleteTable("Notes"); });
        EXPECT_EQ(raised.Code, 9220);
        EXPECT_EQ(raised.Message, EngineMessage(9220, "Cannot delete table '" + File("Notes.DAT") + "'"));
        EXPECT_EQ(ErrorContextOsError(), EBUSY);
    }
    for (const char* file : {"Notes.DAT", "Notes.IDX", "Notes.BLB"}) {
        EXPECT_TRUE(FileList().Exists(File(file), false)) << file;
    }
    {
        // Once the data file is gone the rest goes as far as it can.
        TRefusingFileSystem disk("", File("Notes.IDX"), EACCES);
        const TScopedOsFileSystem scoped(disk);
        const TRaised raised = Raised([&] { directory_->DeleteTable("Notes"); });
        EXPECT_EQ(raised.Code, 11013);
        EXPECT_EQ(raised.Message, EngineMessage(11013, "Access denied to table '" + File("Notes.IDX") + "'"));
    }
    EXPECT_FALSE(FileList().Exists(File("Notes.DAT"), false));
    EXPECT_TRUE(FileList().Exists(File("Notes.IDX"), false));
    EXPECT_FALSE(FileList().Exists(File("Notes.BLB"), false));
}

}  // namespace
}  // namespace kartei::testing
