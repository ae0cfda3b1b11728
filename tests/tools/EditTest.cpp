#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "engine/cursor/DataCursor.h"
#include "engine/files/TableLocks.h"
#include "engine/format/FieldValues.h"
#include "engine/table/DataDirectory.h"
#include "engine/table/DataSession.h"
#include "engine/table/DataTable.h"
#include "tools/ToolError.h"
#include "tools/ToolTestSupport.h"

namespace kartei::tools::testing {
namespace {

using kartei::testing::TChildProcess;

const std::string kHeader = "id,name,n,note";

// A table of four places: an auto-increment id as primary key, a name unique without regard to case, a
// number with an index that allows duplicates, and a memo.
class Edit : public ::testing::Test {
protected:
    void SetUp() override { MakeTable(); }

    void MakeTable() {
        WriteBytes(temp_.File("start.csv"),
                   CsvLines({"name,n,note", "Aachen,1,first", "Bonn,2,", "Celle,3,third", "Dresden,4,"}));
        const TRun run =
            Kartei({"import", temp_.File("start.csv"), Table(), "--force", "--quiet", "--field", "id:autoinc",
                    "--field", "name:string:10", "--field", "n:integer", "--field", "note:memo", "--primary",
                    "id", "--index", "name=name:unique:nocase", "--index", "n=n"});
        ASSERT_EQ(run.Status, 0) << run.Err;
    }
    std::string Table() const { return temp_.File("T"); }
    std::string DataFile() const { return temp_.File("T.DAT"); }
    std::string Csv(const std::string& text, const std::string& name = "in.csv") const {
        WriteBytes(temp_.File(name), text);
        return temp_.File(name);
    }
    // The command on the table, with its further arguments.
    TRun Run(const std::string& command, const std::vector<std::string>& more) const {
        std::vector<std::string> arguments{command, Table()};
        arguments.insert(arguments.end(), more.begin(), more.end());
        return Kartei(arguments);
    }
    std::string Dump(const std::vector<std::string>& selection = {}) const {
        return Run("dump", selection).Out;
    }
    // The bytes of the table's files.
    std::map<std::string, std::string> Files() const {
        std::map<std::string, std::string> files;
        for (const std::string name : {"T.DAT", "T.IDX", "T.BLB"}) {
            files[name] = ReadBytes(temp_.File(name));
        }
        return files;
    }
    void ExpectSound() const {
        const TRun verify = Kartei({"verify", DataFile()});
        EXPECT_EQ(verify.Status, 0) << verify.Out << verify.Err;
    }

    TTempDir temp_;
};

TEST_F(Edit, InsertAddsTheRowsAndNumbersTheAutoIncrementField) {
    const TRun one = Kartei({"insert", Table(), Csv(CsvLines({"name,n,note", "Erfurt,5,new"}))});
    EXPECT_EQ(one.Status, 0) << one.Err;
    EXPECT_EQ(one.Out, "");
    EXPECT_EQ(one.Err, "kartei insert: inserted 1 record into " + DataFile() + "\n");

    // An id given is kept, one left empty numbered; the next one left out follows the highest.
    const TRun two =
        Kartei({"insert", Table(), Csv(CsvLines({"id,name,n,note", ",Fulda,6,", "10,Gera,7,"}))});
    EXPECT_EQ(two.Err, "kartei insert: inserted 2 records into " + DataFile() + "\n");
    const TRun quiet =
        Kartei({"insert", DataFile(), Csv(CsvLines({"note,n,name", "\"a, b\",8,Halle"})), "--quiet"});
    EXPECT_EQ(quiet.Status, 0);
    EXPECT_EQ(quiet.Err, "");

    EXPECT_EQ(Dump(), CsvLines({kHeader, "1,Aachen,1,first", "2,Bonn,2,", "3,Celle,3,third", "4,Dresden,4,",
                                "5,Erfurt,5,new", "6,Fulda,6,", "10,Gera,7,", "11,Halle,8,\"a, b\""}));
    EXPECT_EQ(Dump({"--index", "name", "--from", "g"}),
              CsvLines({kHeader, "10,Gera,7,", "11,Halle,8,\"a, b\""}));
    ExpectSound();
}

TEST_F(Edit, DeleteRemovesWhatDumpWithTheSameSelectionLists) {
    struct TCase {
        std::vector<std::string> Selection;
        std::vector<std::string> Left;
        std::string Count;
    };
    const std::vector<TCase> cases{
        {{"--index", "n", "--range", "2"},
         {"1,Aachen,1,first", "3,Celle,3,third", "4,Dresden,4,"},
         "1 record"},
        {{"--index", "n", "--from", "2", "--to", "3"}, {"1,Aachen,1,first", "4,Dresden,4,"}, "2 records"},
        {{"--index", "name", "--from", "b", "--to", "CELLE"},
         {"1,Aachen,1,first", "4,Dresden,4,"},
         "2 records"},
        {{"--to", "2"}, {"3,Celle,3,third", "4,Dresden,4,"}, "2 records"},
        {{"--from", "4"}, {"1,Aachen,1,first", "2,Bonn,2,", "3,Celle,3,third"}, "1 record"},
        {{"--index", "name", "--all"}, {}, "4 records"},
    };
    for (const TCase& test : cases) {
        MakeTable();
        const std::string before = Dump();
        std::vector<std::string> selection = test.Selection;
        std::erase(selection, "--all");
        const std::vector<std::string> listed = Lines(Dump(selection));

        const TRun run = Run("delete", test.Selection);
        EXPECT_EQ(run.Status, 0) << run.Err;
        EXPECT_EQ(run.Err, "kartei delete: deleted " + test.Count + " from " + DataFile() + "\n");
        std::vector<std::string> left{kHeader};
        left.insert(left.end(), test.Left.begin(), test.Left.end());
        EXPECT_EQ(Lines(Dump()), left) << test.Selection[1];
        // Together, what is left and what dump listed are what there was.
        for (size_t k = 1; k < listed.size(); ++k) {
            EXPECT_EQ(std::count(left.begin(), left.end(), listed[k]), 0) << listed[k];
        }
        EXPECT_EQ(left.size() + listed.size() - 1, Lines(before).size());
        ExpectSound();
    }
}

TEST_F(Edit, DeleteWantsARangeOrAll) {
    const std::map<std::string, std::string> before = Files();
    const std::string refusal =
        "kartei delete: give the records with --range or --from/--to, or --all for every record\n"
        "Try 'kartei delete --help'.\n";
    for (const std::vector<std::string>& arguments :
         std::vector<std::vector<std::string>>{{}, {"--index", "name"}, {"--quiet"}}) {
        const TRun run = Run("delete", arguments);
        EXPECT_EQ(run.Status, ExitStatus::Usage);
        EXPECT_EQ(run.Err, refusal);
    }
    const TRun both = Run("delete", {"--all", "--from", "1"});
    EXPECT_EQ(both.Status, ExitStatus::Usage);
    EXPECT_EQ(both.Err,
              "kartei delete: --all cannot be combined with --range, --from or --to\n"
              "Try 'kartei delete --help'.\n");
    EXPECT_EQ(Files(), before);

    // A range that holds nothing is no failure.
    const TRun none = Run("delete", {"--index", "n", "--range", "9"});
    EXPECT_EQ(none.Status, 0);
    EXPECT_EQ(none.Err, "kartei delete: deleted 0 records from " + DataFile() + "\n");
    EXPECT_EQ(Files(), before);
}

TEST_F(Edit, UpdateChangesTheSelectedRecords) {
    const TRun one = Run("update", {"--index", "n", "--range", "2", "--set", "name=Berlin"});
    EXPECT_EQ(one.Status, 0) << one.Err;
    EXPECT_EQ(one.Err, "kartei update: changed 1 record in " + DataFile() + "\n");
    const TRun several = Run("update", {"--index", "name", "--range", "celle", "--set", "name=Chemnitz",
                                        "--set", "n=30", "--set", "NOTE=moved\nhere"});
    EXPECT_EQ(several.Status, 0) << several.Err;
    // An empty value makes the field null, a memo empty.
    EXPECT_EQ(Run("update", {"--range", "1", "--set", "n=", "--set", "note=", "--quiet"}).Err, "");
    const TRun none = Run("update", {"--index", "n", "--range", "99", "--set", "name=X"});
    EXPECT_EQ(none.Status, 0);
    EXPECT_EQ(none.Err, "kartei update: changed 0 records in " + DataFile() + "\n");

    EXPECT_EQ(Dump(), CsvLines({kHeader, "1,Aachen,,", "2,Berlin,2,", "3,Chemnitz,30,\"moved\nhere\"",
                                "4,Dresden,4,"}));
    EXPECT_EQ(Dump({"--index", "name", "--from", "b", "--to", "c"}), CsvLines({kHeader, "2,Berlin,2,"}));
    EXPECT_EQ(Dump({"--index", "n", "--from", "5"}), CsvLines({kHeader, "3,Chemnitz,30,\"moved\nhere\""}));
    ExpectSound();
}

TEST_F(Edit, AnUpdateThatMovesRecordsAlongItsIndexMeetsEachOnce) {
    // Every record of the range moves to its end: a walk that changed as it went would meet them again.
    const TRun run = Run("update", {"--index", "n", "--from", "1", "--to", "4", "--set", "n=4"});
    EXPECT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(run.Err, "kartei update: changed 4 records in " + DataFile() + "\n");
    EXPECT_EQ(Dump({"--index", "n", "--range", "4"}),
              CsvLines({kHeader, "1,Aachen,4,first", "2,Bonn,4,", "3,Celle,4,third", "4,Dresden,4,"}));
    EXPECT_EQ(Dump({"--index", "n", "--to", "3"}), CsvLines({kHeader}));
    ExpectSound();
}

TEST_F(Edit, ATableWithoutPrimaryKeyIsEditedInRecordOrder) {
    const TRun made =
        Kartei({"import", Csv(CsvLines({"code,place", "030,Berlin", "040,Hamburg", "089,M\xC3\xBCnchen"})),
                temp_.File("C"), "--quiet", "--field", "code:string:5", "--field", "place:string:20",
                "--index", "code=code"});
    ASSERT_EQ(made.Status, 0) << made.Err;
    EXPECT_EQ(Kartei({"delete", temp_.File("C"), "--index", "code", "--range", "040", "--quiet"}).Status, 0);
    EXPECT_EQ(Kartei({"update", temp_.File("C"), "--all", "--set", "place=Ort"}).Err,
              "kartei update: changed 2 records in " + temp_.File("C.DAT") + "\n");
    // Record order is the order of insertion: freed slots are not taken again.
    EXPECT_EQ(
        Kartei({"insert", temp_.File("C"), Csv(CsvLines({"place,code", "Bremen,0421"})), "--quiet"}).Status,
        0);
    EXPECT_EQ(Kartei({"dump", temp_.File("C")}).Out,
              CsvLines({"code,place", "030,Ort", "089,Ort", "0421,Bremen"}));
    EXPECT_EQ(Kartei({"delete", temp_.File("C"), "--all"}).Err,
              "kartei delete: deleted 3 records from " + temp_.File("C.DAT") + "\n");
    EXPECT_EQ(Kartei({"dump", temp_.File("C")}).Out, CsvLines({"code,place"}));
    EXPECT_EQ(Kartei({"verify", temp_.File("C")}).Status, 0);
}

TEST_F(Edit, UpdateCommandLineMistakesAreUsageErrors) {
    const std::map<std::string, std::string> before = Files();
    EXPECT_EQ(Run("update", {"--all"}).Err,
              "kartei update: give the changes with --set FIELD=VALUE\nTry 'kartei update --help'.\n");
    EXPECT_EQ(Run("update", {"--set", "n=1"}).Err,
              "kartei update: give the records with --range or --from/--to, or --all for every record\n"
              "Try 'kartei update --help'.\n");
    EXPECT_EQ(Run("update", {"--all", "--set", "n"}).Err,
              "kartei update: --set wants FIELD=VALUE, not 'n'\nTry 'kartei update --help'.\n");
    EXPECT_EQ(Run("update", {"--all", "--set", "=1"}).Status, ExitStatus::Usage);
    EXPECT_EQ(Files(), before);
}

TEST_F(Edit, BadInputIsRefusedWholeAndLeavesTheTableAsItWas) {
    struct TCase {
        std::vector<std::string> Arguments;
        std::string Err;
    };
    const std::vector<TCase> cases{
        {{"insert", Table(), Csv(CsvLines({"name,n,note,town", "Erfurt,5,,x"}), "town.csv")},
         "kartei insert: CSV column 'town' is no field of the table (its fields: id, name, n, note)\n"},
        {{"insert", Table(), Csv(CsvLines({"name,n,note", "Erfurt,5,new", "Gelsenkirchen,6,"}), "long.csv")},
         "kartei insert: CSV line 3, field 'name': 'Gelsenkirchen' is longer than 10 characters\n"},
        {{"insert", Table(), Csv(CsvLines({"name,n,note", "Erfurt,5,new", "BONN,6,"}), "name.csv")},
         "kartei insert: CSV line 3: Kartei Engine Error # 9729 Duplicate key found in index 'name' of table "
         "'T.DAT'\n"},
        {{"insert", Table(), Csv(CsvLines({"id,name,n,note", "7,Erfurt,5,", "3,Fulda,6,"}), "id.csv")},
         "kartei insert: CSV line 3: Kartei Engine Error # 9729 Duplicate key found in index '' of table "
         "'T.DAT'\n"},
        {{"update", Table(), "--all", "--set", "town=Erfurt"},
         "kartei update: --set town=Erfurt: the table has no field 'town' (its fields: id, name, n, note)\n"},
        {{"update", Table(), "--all", "--set", "name=M\xC3\xB6nchengladbach"},
         "kartei update: --set name=M\xC3\xB6nchengladbach: 'M\xC3\xB6nchengladbach' is longer than 10 "
         "characters\n"},
        {{"update", Table(), "--all", "--set", "n=many"},
         "kartei update: --set n=many: 'many' is not a whole number\n"},
        {{"update", Table(), "--range", "1", "--set", "id=7"},
         "kartei update: --set id=7: field 'id' is numbered by the table and cannot be set\n"},
        {{"update", Table(), "--all", "--set", "n=1", "--set", "N=2"},
         "kartei update: --set N=2: field 'n' is set twice\n"},
        {{"update", Table(), "--index", "town", "--range", "Erfurt", "--set", "n=1"},
         "kartei update: the table has no index 'town' (its indexes: name, n)\n"},
        // Bonn (and its note) changes first; Celle then takes the same name, and neither change stays.
        {{"update", Table(), "--index", "n", "--from", "2", "--set", "name=Zwickau", "--set", "note=changed"},
         "kartei update: record (id=3, name=Celle, n=3): Kartei Engine Error # 9729 Duplicate key found in "
         "index 'name' of table 'T.DAT'\n"},
        {{"delete", Table(), "--index", "town", "--all"},
         "kartei delete: the table has no index 'town' (its indexes: name, n)\n"},
        {{"delete", Table(), "--index", "n", "--range", "x"},
         "kartei delete: --range: 'x' is not a whole number\n"},
        {{"delete", temp_.File("U"), "--all"},
         "kartei delete: '" + temp_.File("U.DAT") + "': no such table\n"},
        {{"insert", Table(), temp_.File("none.csv")},
         "kartei insert: cannot read '" + temp_.File("none.csv") + "'\n"},
    };
    const std::map<std::string, std::string> before = Files();
    const std::string records = Dump();
    for (const TCase& test : cases) {
        const TRun run = Kartei(test.Arguments);
        EXPECT_EQ(run.Status, ExitStatus::BadInput) << test.Err;
        EXPECT_EQ(run.Err, test.Err);
        EXPECT_EQ(Dump(), records) << test.Err;
        EXPECT_TRUE(Files() == before) << test.Err;
        ExpectSound();
    }
}

TEST_F(Edit, ATableWhoseFilesAreReadOnlyIsRefusedAtOnce) {
    ASSERT_EQ(chmod(DataFile().c_str(), 0444), 0);
    ASSERT_EQ(chmod(temp_.File("T.IDX").c_str(), 0444), 0);
    const std::map<std::string, std::string> before = Files();
    const std::string refusal = "'" + DataFile() + "' is read-only: its files cannot be written\n";
    const TRun insert = Kartei({"insert", Table(), Csv(CsvLines({"name,n,note"}))});
    EXPECT_EQ(insert.Status, ExitStatus::BadInput);
    EXPECT_EQ(insert.Err, "kartei insert: " + refusal);
    EXPECT_EQ(Run("delete", {"--index", "n", "--range", "9"}).Err, "kartei delete: " + refusal);
    EXPECT_EQ(Run("update", {"--all", "--set", "n=1"}).Err, "kartei update: " + refusal);
    EXPECT_EQ(Files(), before);
}

TEST_F(Edit, EditsGoOnWhileAnotherProcessHasTheTableOpen) {
    const std::vector<std::string> expected{"Bonn", "Cottbus", "Dresden", "Erfurt"};
    // The other process, forked before this one opens anything: it reads the table, keeps Bonn locked as
    // one who edits it would, and then must see what was committed meanwhile.
    TChildProcess child([&](TChildProcess& parent) {
        TDataSession session;
        TDataCursor cursor(session.OpenDirectory(temp_.Path()));
        TTableOpenRequest request;
        request.Name = "T";
        cursor.Open(request);
        cursor.SelectIndex("name");
        TDataTable& table = cursor.Table();
        std::vector<uint8_t> record(cursor.RecordSize());
        cursor.First();
        if (cursor.GetNext(record) != 0 || GetStringField(record, table.Fields()[1]) != "Aachen") {
            return 1;
        }
        table.Locks().LockRecord(2);
        table.Locks().UnlockRead(TTableLocks::RecordReadLockSlot);
        parent.Signal();
        if (!parent.Await()) {
            return 2;
        }
        table.Locks().UnlockRecord(2);
        std::vector<std::string> names;
        cursor.First();
        while (cursor.GetNext(record) == 0) {
            names.emplace_back(GetStringField(record, table.Fields()[1]));
        }
        return names == expected && cursor.RecordCount() == 4 ? 0 : 3;
    });
    ASSERT_TRUE(child.Started());
    ASSERT_TRUE(child.Await());

    EXPECT_EQ(Kartei({"insert", Table(), Csv(CsvLines({"name,n,note", "Erfurt,5,"})), "--quiet"}).Status, 0);
    EXPECT_EQ(
        Run("update", {"--index", "name", "--range", "Celle", "--set", "name=Cottbus", "--quiet"}).Status, 0);
    EXPECT_EQ(Run("delete", {"--index", "name", "--range", "Aachen", "--quiet"}).Status, 0);
    // The record the other process keeps locked cannot go; nothing of that edit happens.
    const std::string records = Dump();
    const TRun locked = Run("delete", {"--index", "n", "--from", "2", "--to", "3"});
    EXPECT_EQ(locked.Status, ExitStatus::BadInput);
    EXPECT_EQ(locked.Err,
              "kartei delete: record (id=2, name=Bonn, n=2): Kartei Engine Error # 10258 Record in table "
              "'T.DAT' is in use by another user\n");
    EXPECT_EQ(Dump(), records);
    child.Signal();
    EXPECT_EQ(child.Join(), 0);
    ExpectSound();
}

}  // namespace
}  // namespace kartei::tools::testing
