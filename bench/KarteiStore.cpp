#include "bench/KarteiStore.h"

#include <algorithm>
#include <cstdint>
#include <stdexcept>

#include "base/Cp1252.h"
#include "bench/CacheBudget.h"
#include "engine/table/DataDirectory.h"
#include "engine/table/DataTable.h"
#include "kartei/Record.h"
#include "tools/ShippedTables.h"

namespace kartei::bench {
namespace {

// Records per read operation at most: a screen takes one, a scan few.
constexpr size_t kBatchRecords = 512;

// Up to `count` records after the cursor's current one, read into `batch` (kBatchRecords images).
int64_t ReadRecords(TDataCursorImpl& cursor, std::vector<uint8_t>& batch, int64_t count) {
    int64_t read = 0;
    while (read < count) {
        const int32_t wanted = static_cast<int32_t>(std::min<int64_t>(kBatchRecords, count - read));
        const int32_t got = cursor.GetNextRecords(batch, wanted);
        read += got;
        if (got < wanted) {
            break;
        }
    }
    return read;
}

TDataTableImpl* CreateTable(TDataDirectoryImpl& directory, const char* name,
                            const TTableDefinition& definition, bool exclusive) {
    TTableOpenRequest request;
    request.Name = name;
    request.Exclusive = exclusive;
    TDataTableImpl* table = nullptr;
    if (directory.CreateTable(request, definition, table) != 0) {
        throw std::runtime_error(std::string("cannot create ") + name);
    }
    return table;
}

void SetText(TDataTableImpl& table, std::vector<uint8_t>& image, const std::string& utf8) {
    SetStringField(image, table.Fields()[1], Utf8ToCp1252(utf8), table.Header().LanguageId,
                   table.Header().SortId);
}

}  // namespace

void BuildKartei(const std::string& folder, const TBenchRows& rows, bool exclusive) {
    TDataSession session;
    session.SetCacheSettings(KarteiCacheBudget());
    TDataDirectoryImpl& directory = Inside(session.OpenDirectory(folder));
    TDataTableImpl* city = CreateTable(directory, "City", tools::CityTableDefinition(), exclusive);
    TDataTableImpl* codes = CreateTable(directory, "AreaCode", tools::AreaCodeTableDefinition(), exclusive);
    directory.StartTransaction();
    std::vector<uint8_t> image(city->Header().RecordSize);
    for (const std::string& name : rows.Cities) {
        std::fill(image.begin(), image.end(), 0);
        SetText(*city, image, name);
        city->InsertRecord(image);
    }
    image.assign(codes->Header().RecordSize, 0);
    for (const TBenchRows::TCode& code : rows.Codes) {
        std::fill(image.begin(), image.end(), 0);
        SetIntegerField(image, codes->Fields()[0], code.CityId);
        SetText(*codes, image, code.Code);
        codes->InsertRecord(image);
    }
    directory.EndTransaction(true);
    directory.CloseTable(codes);
    directory.CloseTable(city);
}

TKarteiStore::TKarteiStore(const std::string& folder, bool exclusive, const TWorkloadInputs& inputs)
    : exclusive_(exclusive), inputs_(inputs), directory_(&Inside(session_.OpenDirectory(folder))) {
    session_.SetCacheSettings(KarteiCacheBudget());
}

TKarteiStore::~TKarteiStore() {
    Close();
}

std::unique_ptr<TDataCursorImpl> TKarteiStore::OpenCursor(const char* table) const {
    auto cursor = std::make_unique<TDataCursorImpl>(*directory_);
    TTableOpenRequest request;
    request.Name = table;
    request.Exclusive = exclusive_;
    cursor->Open(request);
    return cursor;
}

int64_t TKarteiStore::OpenAndReadFirst(int count) {
    std::unique_ptr<TDataCursorImpl> cursor = OpenCursor("City");
    cursor->SelectIndex("City");
    std::vector<uint8_t> screen(static_cast<size_t>(count) * cursor->RecordSize());
    int64_t read = 0;
    cursor->AsOneOperation([&] {
        cursor->First();
        read = cursor->GetNextRecords(screen, count);
    });
    cursor->Close();
    return read;
}

std::vector<uint8_t> TKarteiStore::CityImage(const std::string& utf8) const {
    std::vector<uint8_t> image(city_->RecordSize());
    SetText(city_->Table(), image, utf8);
    return image;
}

void TKarteiStore::Open() {
    city_ = OpenCursor("City");
    codes_ = OpenCursor("AreaCode");
    codes_->SelectIndex("city_id");
    buffer_.assign(city_->RecordSize(), 0);
    batch_.assign(kBatchRecords * city_->RecordSize(), 0);
    codeBatch_.assign(kBatchRecords * codes_->RecordSize(), 0);
    scratch_.assign(city_->RecordSize(), 0);
    codeScratch_.assign(codes_->RecordSize(), 0);
    prefixImages_.clear();
    prefixLengths_.clear();
    for (const std::string& prefix : inputs_.Prefixes) {
        prefixImages_.push_back(CityImage(prefix));
        prefixLengths_.push_back(static_cast<int>(Utf8ToCp1252(prefix).size()));
    }
    from_ = CityImage(inputs_.CountFrom);
    to_ = CityImage(inputs_.CountTo);
}

void TKarteiStore::Close() {
    if (codes_) {
        codes_->Close();
        codes_.reset();
    }
    if (city_) {
        city_->Close();
        city_.reset();
    }
}

void TKarteiStore::UseCityIndex(const char* name) {
    city_->SelectIndex(name);
}

int64_t TKarteiStore::ReadOn(int64_t count) {
    return ReadRecords(*city_, batch_, count);
}

int64_t TKarteiStore::TypedSearch(size_t k, int count) {
    UseCityIndex("City");
    // The search and its screen as one operation, as SQLite runs one statement.
    int64_t read = 0;
    city_->AsOneOperation([&] {
        city_->FindKey(TKeyForm::Record, prefixImages_[k].data(), buffer_, prefixLengths_[k], true, 0);
        read = 1 + ReadOn(count - 1);
    });
    return read;
}

int64_t TKarteiStore::DetailCodes(size_t k) {
    SetIntegerField(codeScratch_, codes_->Table().Fields()[0], inputs_.DetailCityIds[k]);
    int64_t read = 0;
    codes_->AsOneOperation([&] {
        codes_->SetRange(TKeyForm::Record, codeScratch_.data(), 1, codeScratch_.data(), 1);
        codes_->First();
        read = ReadRecords(*codes_, codeBatch_, INT64_MAX);
    });
    return read;
}

int64_t TKarteiStore::PointLookup(size_t k) {
    UseCityIndex("PrimaryKey");
    SetIntegerField(scratch_, city_->Table().Fields()[0], inputs_.LookupIds[k]);
    return city_->FindKey(TKeyForm::Record, scratch_.data(), buffer_, 0, false, 0) ? 1 : 0;
}

int64_t TKarteiStore::FullScan() {
    UseCityIndex("City");
    city_->First();
    return ReadOn(INT64_MAX);
}

int64_t TKarteiStore::CountBetween() {
    UseCityIndex("City");
    city_->SetRange(TKeyForm::Record, from_.data(), 1, to_.data(), 1);
    return city_->RecordCount();
}

int64_t TKarteiStore::JumpAndRead(size_t k, int count) {
    UseCityIndex("City");
    city_->GoToOrdinal(inputs_.Ordinals[k]);
    if (city_->GetCurrent(buffer_, false) != ErrorCode::Success) {
        return 0;
    }
    return 1 + ReadOn(count - 1);
}

}  // namespace kartei::bench
