#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "bench/BenchData.h"
#include "bench/Store.h"
#include "engine/cursor/DataCursor.h"
#include "kartei/Session.h"

namespace kartei::bench {

// Builds City and AreaCode in `folder` through the engine's write path, with the shipped tables'
// definitions. Exclusive: the tables are opened exclusively and keep their changes until they close;
// shared: the changes run in one transaction, the lock protocol on.
void BuildKartei(const std::string& folder, const TBenchRows& rows, bool exclusive);

// Our engine on a store BuildKartei made, opened shared (the multi-process lock protocol on) or exclusive.
class TKarteiStore final : public TStore {
public:
    TKarteiStore(const std::string& folder, bool exclusive, const TWorkloadInputs& inputs);
    ~TKarteiStore() override;

    int64_t OpenAndReadFirst(int count) override;
    void Open() override;
    void Close() override;
    int64_t TypedSearch(size_t k, int count) override;
    int64_t DetailCodes(size_t k) override;
    int64_t PointLookup(size_t k) override;
    int64_t FullScan() override;
    int64_t CountBetween() override;
    int64_t JumpAndRead(size_t k, int count) override;

private:
    std::unique_ptr<TDataCursorImpl> OpenCursor(const char* table) const;
    std::vector<uint8_t> CityImage(const std::string& utf8) const;
    void UseCityIndex(const char* name);
    // Reads up to `count` City records after the current one, many per engine operation.
    int64_t ReadOn(int64_t count);

    const bool exclusive_;
    const TWorkloadInputs& inputs_;
    TDataSession session_;
    TDataDirectoryImpl* directory_;
    std::unique_ptr<TDataCursorImpl> city_;
    std::unique_ptr<TDataCursorImpl> codes_;
    std::vector<uint8_t> buffer_;
    // Room for the records of one read operation, of each table.
    std::vector<uint8_t> batch_;
    std::vector<uint8_t> codeBatch_;
    // Inputs as record images, made once the tables are open.
    std::vector<std::vector<uint8_t>> prefixImages_;
    std::vector<int> prefixLengths_;
    std::vector<uint8_t> from_, to_, scratch_, codeScratch_;
};

}  // namespace kartei::bench
