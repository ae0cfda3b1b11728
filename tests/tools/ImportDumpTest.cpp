#include <gtest/gtest.h>

#include "tools/ToolError.h"
#include "tools/ToolTestSupport.h"

namespace kartei::tools::testing {
namespace {

class ImportDump : public ::testing::Test {
protected:
    std::string Path(const std::string& name) const { return temp_.File(name); }
    std::string Csv(const std::string& text, const std::string& name = "in.csv") const {
        WriteBytes(Path(name), text);
        return Path(name);
    }
    // A small keyed table: name (unique without regard to case) and a number as primary key.
    TRun ImportNames(const std::string& csv) {
        return Kartei({"import", Csv(csv), Path("T"), "--quiet", "--field", "name:string:10", "--field",
                       "n:integer", "--primary", "n", "--index", "name=name:unique:nocase", "--index",
                       "byN=n-"});
    }

    TTempDir temp_;
};

TEST_F(ImportDump, EveryFieldTypeMakesTheRoundTrip) {
    const std::string header = "id,name,flag,small,count,w,ratio,money,price,day,at,stamp,raw,vraw,note,data";
    const std::string full =
        "1,\"M\xC3\xBCller, Hans\",true,-5,100000,65535,0.1,12.5,3.10,2024-02-29,08:30:00.250,"
        "2024-02-29 23:59:59.999,0a0b0c,ffff,\"two\r\nlines \"\"quoted\"\"\",00ff";
    const std::string other =
        "10,Zo\xC3\xAB,false,0,-1,0,-2.5e+300,-0.75,-1234.50,0001-01-01,00:00:00.000,"
        "1899-12-30 12:00:00.000,000000,0001,\xE2\x82\xAC,";
    const TRun import = Kartei({"import",          Csv(CsvLines({header, full, ",,,,,,,,,,,,,,,", other})),
                                Path("All"),       "--field",
                                "id:autoinc",      "--field",
                                "name:string:20",  "--field",
                                "flag:boolean",    "--field",
                                "small:smallint",  "--field",
                                "count:integer",   "--field",
                                "w:word",          "--field",
                                "ratio:float",     "--field",
                                "money:currency",  "--field",
                                "price:bcd:2",     "--field",
                                "day:date",        "--field",
                                "at:time",         "--field",
                                "stamp:datetime",  "--field",
                                "raw:bytes:3",     "--field",
                                "vraw:varbytes:2", "--field",
                                "note:memo",       "--field",
                                "data:blob"});
    ASSERT_EQ(import.Status, 0) << import.Err;
    EXPECT_EQ(import.Out, "imported 3 records into " + Path("All.DAT") + "\n");
    EXPECT_EQ(FilesIn(temp_.Path()), (std::vector<std::string>{"All.BLB", "All.DAT", "All.IDX", "in.csv"}));

    // No primary key: record order. The empty id was numbered after the one given.
    const TRun dump = Kartei({"dump", Path("All.DAT")});
    ASSERT_EQ(dump.Status, 0) << dump.Err;
    EXPECT_EQ(dump.Out, CsvLines({header, full, "2,,,,,,,,,,,,,,,", other}));
}

TEST_F(ImportDump, OrderFollowsThePrimaryIndexOrTheNamedOne) {
    ASSERT_EQ(ImportNames(CsvLines({"name,n", "celle,3", "Aachen,1", "bonn,2"})).Status, 0);
    EXPECT_EQ(Kartei({"dump", Path("T")}).Out, CsvLines({"name,n", "Aachen,1", "bonn,2", "celle,3"}));
    EXPECT_EQ(Kartei({"dump", Path("T"), "--index", "NAME"}).Out,
              CsvLines({"name,n", "Aachen,1", "bonn,2", "celle,3"}));
    EXPECT_EQ(Kartei({"dump", Path("T"), "--index", "byN"}).Out,
              CsvLines({"name,n", "celle,3", "bonn,2", "Aachen,1"}));
}

TEST_F(ImportDump, RangesOnTheFirstFieldOfTheIndex) {
    ASSERT_EQ(ImportNames(CsvLines({"name,n", "a,1", "b,2", "c,3", "d,4"})).Status, 0);
    EXPECT_EQ(Kartei({"dump", Path("T"), "--range", "3"}).Out, CsvLines({"name,n", "c,3"}));
    EXPECT_EQ(Kartei({"dump", Path("T"), "--from", "2", "--to", "3"}).Out,
              CsvLines({"name,n", "b,2", "c,3"}));
    EXPECT_EQ(Kartei({"dump", Path("T"), "--index", "name", "--from", "C"}).Out,
              CsvLines({"name,n", "c,3", "d,4"}));
    EXPECT_EQ(Kartei({"dump", Path("T"), "--range", "9"}).Out, CsvLines({"name,n"}));
    const TRun bad = Kartei({"dump", Path("T"), "--range", "x"});
    EXPECT_EQ(bad.Status, ExitStatus::BadInput);
    EXPECT_EQ(bad.Err, "kartei dump: --range: 'x' is not a whole number\n");
}

TEST_F(ImportDump, AFailedImportLeavesNothingBehind) {
    const TRun run = ImportNames(CsvLines({"name,n", "a,1", "b,x"}));
    EXPECT_EQ(run.Status, ExitStatus::BadInput);
    EXPECT_EQ(run.Err, "kartei import: CSV line 3, field 'n': 'x' is not a whole number\n");
    EXPECT_EQ(FilesIn(temp_.Path()), std::vector<std::string>{"in.csv"});

    const TRun duplicate = ImportNames(CsvLines({"name,n", "Bonn,1", "BONN,2"}));
    EXPECT_EQ(duplicate.Status, ExitStatus::BadInput);
    EXPECT_EQ(duplicate.Err,
              "kartei import: CSV line 3: Kartei Engine Error # 9729 Duplicate key found in index 'name' of "
              "table 'T.DAT'\n");
    EXPECT_EQ(FilesIn(temp_.Path()), std::vector<std::string>{"in.csv"});
}

TEST_F(ImportDump, TheFirstFailingLineIsToldThoughIndexesAreBuiltAtTheEnd) {
    // The repeated key comes before the bad value: line 4 fails first, as record by record it would.
    const TRun run =
        ImportNames(CsvLines({"name,n", "Bonn,1", "Celle,2", "Aachen,3", "celle,4", "Erfurt,x"}));
    EXPECT_EQ(run.Status, ExitStatus::BadInput);
    EXPECT_EQ(run.Err,
              "kartei import: CSV line 5: Kartei Engine Error # 9729 Duplicate key found in index 'name' of "
              "table 'T.DAT'\n");
    const TRun later =
        ImportNames(CsvLines({"name,n", "Dessau,1", "Celle,2", "Bonn,3", "bonn,4", "CELLE,5"}));
    EXPECT_EQ(later.Err,
              "kartei import: CSV line 5: Kartei Engine Error # 9729 Duplicate key found in index 'name' of "
              "table 'T.DAT'\n");
    EXPECT_EQ(FilesIn(temp_.Path()), std::vector<std::string>{"in.csv"});
}

TEST_F(ImportDump, AFailedImportKeepsTheTableItWouldReplace) {
    ASSERT_EQ(ImportNames(CsvLines({"name,n", "a,1"})).Status, 0);
    const TRun exists = ImportNames(CsvLines({"name,n", "b,2"}));
    EXPECT_EQ(exists.Status, ExitStatus::BadInput);
    EXPECT_EQ(exists.Err, "kartei import: '" + Path("T.DAT") + "' exists (--force replaces it)\n");
    const TRun failed = Kartei({"import", Csv(CsvLines({"name,n", "b,2", "c"})), Path("T"), "--force",
                                "--field", "name:string:10", "--field", "n:integer"});
    EXPECT_EQ(failed.Err, "kartei import: CSV line 3: 1 fields where the header has 2\n");
    EXPECT_EQ(Kartei({"dump", Path("T")}).Out, CsvLines({"name,n", "a,1"}));
    const TRun replaced = Kartei({"import", Csv(CsvLines({"name,n", "b,2"})), Path("T"), "--force", "--field",
                                  "name:string:10", "--field", "n:integer"});
    EXPECT_EQ(replaced.Status, 0) << replaced.Err;
    EXPECT_EQ(Kartei({"dump", Path("T")}).Out, CsvLines({"name,n", "b,2"}));
    EXPECT_EQ(FilesIn(temp_.Path()), (std::vector<std::string>{"T.DAT", "T.IDX", "in.csv"}));
}

TEST_F(ImportDump, ColumnsMustMatchTheFields) {
    const auto import = [&](const std::string& csv) {
        return Kartei({"import", Csv(csv), Path("T"), "--field", "id:autoinc", "--field",
                       "name:string:5:required"})
            .Err;
    };
    EXPECT_EQ(import(CsvLines({"name,extra", "a,b"})),
              "kartei import: CSV column 'extra' is no field of the table (add --field extra:TYPE)\n");
    EXPECT_EQ(import(CsvLines({"id", "1"})), "kartei import: field 'name' has no CSV column\n");
    EXPECT_EQ(import(CsvLines({"NAME,name", "a,b"})), "kartei import: CSV column 'name' is there twice\n");
    EXPECT_EQ(import(CsvLines({"name", ""})),
              "kartei import: CSV line 2, field 'name': a value is required\n");
    EXPECT_EQ(import(""),
              "kartei import: '" + Path("in.csv") + "' is empty: the first line must name the fields\n");
    EXPECT_EQ(import("name\n\"open\n"), "kartei import: CSV line 2: quoted field not closed\n");
    EXPECT_EQ(FilesIn(temp_.Path()), std::vector<std::string>{"in.csv"});
}

TEST_F(ImportDump, CommandLineMistakesAreUsageErrors) {
    const TRun noFields = Kartei({"import", Csv("a\n"), Path("T")});
    EXPECT_EQ(noFields.Status, ExitStatus::Usage);
    EXPECT_EQ(noFields.Err,
              "kartei import: give the table's fields with --field NAME:TYPE[:SIZE]\n"
              "Try 'kartei import --help'.\n");
    EXPECT_EQ(Kartei({"import", Csv("a\n"), Path("T"), "--field", "a:text"}).Status, ExitStatus::Usage);
    EXPECT_EQ(Kartei({"import", Csv("a\n"), Path("T"), "--field", "a:string"}).Err,
              "kartei import: 'a:string': string needs a size of 1 to 250\nTry 'kartei import --help'.\n");
    EXPECT_EQ(Kartei({"import", Csv("a\n"), Path("T"), "--field", "a:integer", "--index", "i=b"}).Err,
              "kartei import: 'i=b': no field 'b' is defined\nTry 'kartei import --help'.\n");
    EXPECT_EQ(Kartei({"import", Path("none.csv"), Path("T"), "--field", "a:integer"}).Err,
              "kartei import: cannot read '" + Path("none.csv") + "'\n");
    EXPECT_EQ(FilesIn(temp_.Path()), std::vector<std::string>{"in.csv"});
}

TEST_F(ImportDump, DumpReportsTablesItCannotUse) {
    ASSERT_EQ(ImportNames(CsvLines({"name,n", "a,1"})).Status, 0);
    const TRun index = Kartei({"dump", Path("T"), "--index", "nope"});
    EXPECT_EQ(index.Status, ExitStatus::BadInput);
    EXPECT_EQ(index.Err, "kartei dump: the table has no index 'nope' (its indexes: name, byN)\n");
    const TRun missing = Kartei({"dump", Path("U.DAT")});
    EXPECT_EQ(missing.Status, ExitStatus::BadInput);
    EXPECT_EQ(missing.Err, "kartei dump: '" + Path("U.DAT") + "': no such table\n");
    WriteBytes(Path("V.DAT"), "not a table");
    const TRun notTable = Kartei({"dump", Path("V.DAT")});
    EXPECT_EQ(notTable.Status, ExitStatus::Damaged);
    EXPECT_EQ(notTable.Err, "kartei dump: '" + Path("V.DAT") + "' is not a Kartei table\n");
    EXPECT_EQ(Kartei({"dump", Path("T"), "--range", "1", "--to", "2"}).Status, ExitStatus::Usage);
    EXPECT_EQ(FilesIn(temp_.Path()), (std::vector<std::string>{"T.DAT", "T.IDX", "V.DAT", "in.csv"}));
}

TEST_F(ImportDump, EveryCommandHasHelp) {
    const TRun list = Kartei({"--help"});
    EXPECT_EQ(list.Status, 0);
    for (const std::string command :
         {"info", "dump", "verify", "repair", "import", "insert", "delete", "update", "shipped"}) {
        const TRun help = Kartei({command, "--help"});
        EXPECT_EQ(help.Status, 0);
        EXPECT_EQ(help.Out.rfind("Usage: kartei " + command + " ", 0), 0u) << help.Out;
        EXPECT_EQ(help.Err, "");
        EXPECT_NE(list.Out.find("\n  " + command + " "), std::string::npos) << command;
    }
    EXPECT_EQ(Kartei({}).Status, ExitStatus::Usage);
    const TRun unknown = Kartei({"frobnicate"});
    EXPECT_EQ(unknown.Status, ExitStatus::Usage);
    EXPECT_EQ(unknown.Err, "kartei: unknown command 'frobnicate'\nTry 'kartei --help'.\n");
}

TEST_F(ImportDump, TheHelpSaysATablePasswordIsNoEncryption) {
    const std::string help = Kartei({"--help"}).Out;
    EXPECT_NE(help.find("is no encryption: anyone who has the files can read them"), std::string::npos)
        << help;
}

}  // namespace
}  // namespace kartei::tools::testing
