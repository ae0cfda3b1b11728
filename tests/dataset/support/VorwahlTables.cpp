#include "dataset/support/VorwahlTables.h"

#include "base/Cp1252.h"
#include "engine/table/TableTestSupport.h"
#include "support/VorwahlCsv.h"

namespace kartei::testing {
namespace {

TDataTableImpl* CreateTable(TDataDirectoryImpl& directory, const std::string& name, TTableDefinition definition,
                        const std::string& password) {
    definition.Options.Encrypted = !password.empty();
    definition.Options.Password = password;
    TTableOpenRequest request;
    request.Name = name;
    TDataTableImpl* table = nullptr;
    EXPECT_EQ(directory.CreateTable(request, definition, table), 0);
    return table;
}

}  // namespace

std::vector<TVorwahlRow> VorwahlRows(std::initializer_list<std::string_view> prefixes) {
    std::vector<TVorwahlRow> rows;
    for (const testsupport::TVorwahlCsvRow& row : testsupport::VorwahlCsvRows()) {
        for (const std::string_view prefix : prefixes) {
            if (row.AreaCode.starts_with(prefix)) {
                rows.push_back({static_cast<int32_t>(rows.size() + 1), Utf8ToCp1252(row.City), row.AreaCode});
                break;
            }
        }
    }
    return rows;
}

void WriteVorwahlTables(const std::string& directory, const std::vector<TVorwahlRow>& rows,
                        const std::string& password) {
    TDataSession session;
    TDataDirectoryImpl& folder = Inside(session.OpenDirectory(directory));
    TDataTableImpl* cities = CreateTable(folder, "City.DAT", CityDefinition(), password);
    TDataTableImpl* codes = CreateTable(folder, "AreaCode.DAT", AreaCodeDefinition(), password);
    for (const TVorwahlRow& row : rows) {
        cities->InsertRecord(CityRecord(*cities, row.City));
        codes->InsertRecord(PairRecord(*codes, row.Id, row.AreaCode));
    }
    folder.CloseTable(cities);
    folder.CloseTable(codes);
}

}  // namespace kartei::testing
