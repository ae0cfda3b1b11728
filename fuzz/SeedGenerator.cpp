// Writes tables made by the engine's own write path as fuzz inputs (TableHarness.h), one file each, into
// the folder named on the command line: the starting corpus of the table fuzzer.
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "engine/table/DataDirectory.h"
#include "engine/table/DataTable.h"
#include "fuzz/TableHarness.h"
#include "kartei/Field.h"
#include "kartei/Record.h"
#include "kartei/Session.h"

namespace {

using namespace kartei;
namespace fs = std::filesystem;

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class TSeedWriter {
public:
    TSeedWriter(const std::string& scratch, const std::string& out) : scratch_(scratch), out_(out) {
        session_.SetLanguageId(0x0407);
        session_.SetSortId(1);
        directory_ = &Inside(session_.OpenDirectory(scratch));
    }
    ~TSeedWriter() { session_.CloseDirectory(directory_); }

    // Creates the table, lets `fill` change it, closes it and stores its files as one input (and, with
    // `withoutIndex`, once more without the index file).
    template <typename Fill>
    void Make(const std::string& name, const TTableDefinition& definition, Fill fill,
              bool withoutIndex = false) {
        TTableOpenRequest request;
        request.Name = name;
        TDataTableImpl* table = nullptr;
        directory_->CreateTable(request, definition, table);
        fill(*table);
        directory_->CloseTable(table);
        const TTableFileNames names = TableFileNames(scratch_, name);
        fuzz::TTableFiles files;
        files.Data = ReadAll(names.Data);
        files.Index = ReadAll(names.Index);
        files.Blob = fs::exists(names.Blob) ? ReadAll(names.Blob) : std::string();
        Store(name, files);
        if (withoutIndex) {
            files.HasIndex = false;
            files.Index.clear();
            Store(name + "-noindex", files);
        }
    }

private:
    void Store(const std::string& name, const fuzz::TTableFiles& files) {
        const std::vector<uint8_t> bytes = fuzz::JoinInput(files);
        std::ofstream(out_ + "/" + name, std::ios::binary | std::ios::trunc)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }

    std::string scratch_;
    std::string out_;
    TDataSession session_;
    TDataDirectoryImpl* directory_ = nullptr;
};

std::vector<uint8_t> Pair(TDataTableImpl& table, int32_t number, const std::string& text) {
    std::vector<uint8_t> image(table.Header().RecordSize, 0);
    SetIntegerField(image, table.Fields()[0], number);
    SetStringField(image, table.Fields()[1], text, table.Header().LanguageId, table.Header().SortId);
    return image;
}

const std::vector<std::string> kCities = {"Aachen",   "Berlin",  "Bonn",   "Düsseldorf", "Essen",
                                          "Köln",     "München", "Ulm",    "Würzburg",   "Zwickau",
                                          "Öhringen", "Straße",  "Goslar", "Husum",      "Jena"};

void WriteSeeds(const std::string& scratch, const std::string& out) {
    TSeedWriter writer(scratch, out);
    TTableDefinition city;
    city.Fields = {TFieldDescriptor::Define("id", FieldType::Integer, 0, FieldSubtype::AutoIncrement),
                   TFieldDescriptor::Define("City", FieldType::String, 40)};
    city.Fields[0].Required = 1;
    city.SecondaryIndexes = {TIndexDefinition::Over("City", {2}, true),
                             TIndexDefinition::Over("PrimaryKey", {1}, true),
                             TIndexDefinition::Over("id", {1})};
    city.Options.LanguageId = 0x0407;
    city.Options.SortId = 1;
    writer.Make("empty", city, [](TDataTableImpl&) {});
    writer.Make(
        "city", city,
        [](TDataTableImpl& table) {
            for (const std::string& name : kCities) {
                table.InsertRecord(Pair(table, 0, name));
            }
            table.DeleteRecord(3);
            table.DeleteRecord(7);
            table.ModifyRecord(1, Pair(table, 1, "Aalen"));
        },
        true);

    TTableDefinition keyed;
    keyed.Fields = {TFieldDescriptor::Define("code", FieldType::Integer),
                    TFieldDescriptor::Define("name", FieldType::String, 12)};
    keyed.PrimaryIndex = TIndexDefinition::Over("", {1});
    keyed.SecondaryIndexes = {TIndexDefinition::Over("name", {2})};
    // Enough records for a tree of more than one level.
    writer.Make(
        "keyed", keyed,
        [](TDataTableImpl& table) {
            for (int32_t i = 1; i <= 120; ++i) {
                table.InsertRecord(Pair(table, (i * 37) % 1000, "n" + std::to_string(i % 50)));
            }
            for (int32_t i = 5; i <= 120; i += 9) {
                table.DeleteRecord(i);
            }
        },
        true);

    TTableDefinition memo;
    memo.Fields = {TFieldDescriptor::Define("title", FieldType::String, 20),
                   TFieldDescriptor::Define("text", FieldType::Blob, 0, FieldSubtype::Memo),
                   TFieldDescriptor::Define("when", FieldType::DateTime),
                   TFieldDescriptor::Define("amount", FieldType::Float, 0, FieldSubtype::Currency)};
    memo.SecondaryIndexes = {TIndexDefinition::Over("title", {1})};
    memo.Options.BlobBlockSize = 64;
    writer.Make("memo", memo, [](TDataTableImpl& table) {
        for (int i = 0; i < 6; ++i) {
            std::vector<uint8_t> image(table.Header().RecordSize, 0);
            SetStringField(image, table.Fields()[0], "t" + std::to_string(i), 0, 0);
            const int32_t number = table.InsertRecord(image);
            const std::string text(static_cast<size_t>(i * 70 + 5), static_cast<char>('a' + i));
            table.WriteBlob(number, table.Fields()[1],
                            {reinterpret_cast<const uint8_t*>(text.data()), text.size()});
        }
        table.WriteBlob(2, table.Fields()[1], {});
        table.DeleteRecord(4);
    });
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: table_fuzz_seeds OUTPUT-FOLDER\n";
        return 2;
    }
    char pattern[] = "/tmp/kartei-seeds-XXXXXX";
    const char* scratch = mkdtemp(pattern);
    if (scratch == nullptr) {
        return 1;
    }
    fs::create_directories(argv[1]);
    int status = 0;
    try {
        WriteSeeds(scratch, argv[1]);
    } catch (const std::exception& error) {
        std::cerr << "table_fuzz_seeds: " << error.what() << '\n';
        status = 1;
    }
    fs::remove_all(scratch);
    return status;
}
