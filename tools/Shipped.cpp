#include "tools/Shipped.h"

#include <algorithm>
#include <fstream>
#include <map>
#include <numeric>
#include <ostream>

#include "base/Cp1252.h"
#include "engine/index/IndexDefinition.h"
#include "engine/keys/KeyBuilder.h"
#include "engine/keys/KeyCompare.h"
#include "kartei/Errors.h"
#include "kartei/Record.h"
#include "tools/CsvReader.h"
#include "tools/EngineFailure.h"
#include "tools/FieldParse.h"
#include "tools/ShippedTables.h"
#include "tools/TableStaging.h"
#include "tools/ToolError.h"

namespace kartei::tools {
namespace {

struct TCodeRow {
    std::string AreaCode;  // cp1252, as stored
    std::string City;
    int64_t Line = 0;
};

size_t Column(const std::vector<std::string>& header, std::string_view name) {
    for (size_t k = 0; k < header.size(); ++k) {
        if (header[k].size() == name.size() &&
            std::equal(name.begin(), name.end(), header[k].begin(), [](char a, char b) {
                return std::tolower(static_cast<unsigned char>(a)) ==
                       std::tolower(static_cast<unsigned char>(b));
            })) {
            return k;
        }
    }
    throw InputError("the CSV file has no column '" + std::string(name) + "'");
}

// The rows, each value checked against the field it goes into.
std::vector<TCodeRow> ReadRows(const std::string& path, const TDataTableImpl& city,
                               const TDataTableImpl& areaCode) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw InputError("cannot read '" + path + "'");
    }
    TCsvReader reader(in);
    std::vector<std::string> row;
    if (!reader.Next(row)) {
        throw InputError("'" + path + "' is empty: the first line must name the columns");
    }
    const size_t codeColumn = Column(row, "areacode");
    const size_t cityColumn = Column(row, "city");
    std::vector<uint8_t> scratch(std::max(city.Header().RecordSize, areaCode.Header().RecordSize));
    const auto check = [&](const TDataTableImpl& table, const std::string& text, int64_t line) {
        const TFieldDescriptor& field = table.Fields()[1];
        if (text.empty()) {
            throw InputError("CSV line " + std::to_string(line) + ": no " + field.Name);
        }
        try {
            StoreFieldText(scratch, field, text, table.Header().LanguageId, table.Header().SortId);
        } catch (const EToolError& error) {
            throw InputError("CSV line " + std::to_string(line) + ", " + field.Name + ": " + error.what());
        }
    };
    std::vector<TCodeRow> rows;
    while (reader.Next(row)) {
        if (row.size() <= std::max(codeColumn, cityColumn)) {
            throw InputError("CSV line " + std::to_string(reader.Line()) + ": too few fields");
        }
        check(areaCode, row[codeColumn], reader.Line());
        check(city, row[cityColumn], reader.Line());
        rows.push_back(TCodeRow{Utf8ToCp1252(row[codeColumn]), Utf8ToCp1252(row[cityColumn]), reader.Line()});
    }
    return rows;
}

// The distinct places in the order of the table's City index.
std::vector<std::string> PlacesInKeyOrder(const std::vector<TCodeRow>& rows, TDataTableImpl& city) {
    std::vector<std::string> places;
    for (const TCodeRow& row : rows) {
        places.push_back(row.City);
    }
    std::sort(places.begin(), places.end());
    places.erase(std::unique(places.begin(), places.end()), places.end());

    const TKeyLayout layout = city.KeyLayout(FindIndexSlot(city.IndexFile().Header(), "City"));
    const size_t length = layout.KeyLength;
    std::vector<uint8_t> keys(places.size() * length);
    std::vector<uint8_t> image(city.Header().RecordSize);
    for (size_t k = 0; k < places.size(); ++k) {
        std::fill(image.begin(), image.end(), 0);
        SetStringField(image, city.Fields()[1], places[k], city.Header().LanguageId, city.Header().SortId);
        BuildKey(layout, image.data(), keys.data() + k * length);
    }
    std::vector<size_t> order(places.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        return CompareKeys(layout, keys.data() + a * length, keys.data() + b * length, length) < 0;
    });
    std::vector<std::string> sorted;
    for (const size_t k : order) {
        sorted.push_back(places[k]);
    }
    return sorted;
}

// Inserts a record, naming the row it comes from when the table refuses it.
int32_t Insert(TDataTableImpl& table, const std::vector<uint8_t>& image, const std::string& what) {
    try {
        return table.InsertRecord(image);
    } catch (const EKarteiEngineError& error) {
        throw InputError(what + ": " + EngineMessage(error));
    }
}

}  // namespace

TShippedCommand::TShippedCommand()
    : TCommand("shipped", "build the program's City and AreaCode tables",
               TArgumentParser(
                   "CSV DIR",
                   "Builds DIR/City.DAT and DIR/AreaCode.DAT with their index files from a CSV file with\n"
                   "the columns areacode and city (UTF-8). Every distinct place becomes one City record;\n"
                   "places are numbered in German phone-book order, so the record order of City.DAT is\n"
                   "alphabetical. Each row becomes one AreaCode record, in the order of the file. The\n"
                   "tables are built aside and replace those in DIR only when complete and sound.",
                   "Example:\n  kartei shipped data/vorwahlen.csv build/db\n")) {
    Parser().AddPositional("CSV", "the list of dialling codes and their places");
    Parser().AddPositional("DIR", "the directory of the tables (made when missing)");
}

int TShippedCommand::Execute(const TParsedArguments& arguments, std::ostream& out, std::ostream&) {
    TTableStaging staging(arguments.Positionals[1]);
    TDataTableImpl& city = staging.Create("City.DAT", CityTableDefinition());
    TDataTableImpl& areaCode = staging.Create("AreaCode.DAT", AreaCodeTableDefinition());
    const std::vector<TCodeRow> rows = ReadRows(arguments.Positionals[0], city, areaCode);

    std::map<std::string, int32_t> ids;
    std::vector<uint8_t> image(city.Header().RecordSize);
    for (const std::string& place : PlacesInKeyOrder(rows, city)) {
        std::fill(image.begin(), image.end(), 0);
        SetStringField(image, city.Fields()[1], place, city.Header().LanguageId, city.Header().SortId);
        Insert(city, image, "place '" + Cp1252ToUtf8(place) + "'");
        ids[place] = city.Header().LastAutoIncValue;
    }
    image.assign(areaCode.Header().RecordSize, 0);
    for (const TCodeRow& row : rows) {
        std::fill(image.begin(), image.end(), 0);
        SetIntegerField(image, areaCode.Fields()[0], ids.at(row.City));
        SetStringField(image, areaCode.Fields()[1], row.AreaCode, areaCode.Header().LanguageId,
                       areaCode.Header().SortId);
        Insert(areaCode, image, "CSV line " + std::to_string(row.Line));
    }
    const size_t places = ids.size();
    staging.Commit();
    out << "built " << arguments.Positionals[1] << "/City.DAT (" << places << " places) and "
        << arguments.Positionals[1] << "/AreaCode.DAT (" << rows.size() << " dialling codes)\n";
    return ExitStatus::Ok;
}

}  // namespace kartei::tools
