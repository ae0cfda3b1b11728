#include "engine/format/TableFileNames.h"

#include <gtest/gtest.h>

#include "ExpectKarteiError.h"

namespace kartei {
namespace {

TEST(TableFileNamesTest, DataExtensionIsKeptOrSupplied) {
    EXPECT_EQ(DataFileNameOf("  City  "), "City.DAT");
    EXPECT_EQ(DataFileNameOf("City.dat"), "City.dat");
    EXPECT_EQ(DataFileNameOf("City.txt"), "City.DAT");
    EXPECT_EQ(DataFileNameOf("Orte.alt.db"), "Orte.alt.DAT");
    EXPECT_EQ(DataFileNameOf("v1.2/City"), "v1.2/City.DAT");
}

TEST(TableFileNamesTest, DiskTablesLiveInTheirDirectoryAndMemoryTablesHaveBareNames) {
    const TTableFileNames disk = TableFileNames("/srv/db/", "AreaCode");
    EXPECT_EQ(disk.Data, "/srv/db/AreaCode.DAT");
    EXPECT_EQ(disk.Index, "/srv/db/AreaCode.IDX");
    EXPECT_EQ(disk.Blob, "/srv/db/AreaCode.BLB");
    EXPECT_EQ(TableFileNames("/srv/db", "City.dat").Index, "/srv/db/City.IDX");

    const TTableFileNames memory = TableFileNames("", "City.Dat");
    EXPECT_EQ(memory.Data, "City.Dat");
    EXPECT_EQ(memory.Blob, "City.BLB");

    const TTableFileNames backup = TableBackupFileNames("/srv/db/", "City.DAT");
    EXPECT_EQ(backup.Data, "/srv/db/City.DBK");
    EXPECT_EQ(backup.Index, "/srv/db/City.IBK");
    EXPECT_EQ(backup.Blob, "/srv/db/City.BBK");
}

TEST(TableFileNamesTest, BlankNamesCannotBeCreated) {
    for (const char* name : {"", "   ", ".DAT", " .txt", "/srv/db/", "/srv/db/  .DAT"}) {
        EXPECT_TRUE(IsBlankFileName(name)) << "'" << name << "'";
    }
    EXPECT_FALSE(IsBlankFileName("/srv/db/x.DAT"));
    EXPECT_FALSE(IsBlankFileName("v1.2/x"));
    CheckNewFileName("City");
    ExpectKarteiError([] { CheckNewFileName("  .DAT"); }, 11010,
                      "Kartei Engine Error # 11010 Invalid path or file name for table '  .DAT'");
}

}  // namespace
}  // namespace kartei
