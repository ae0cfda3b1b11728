#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "engine/cursor/DataCursor.h"
#include "engine/table/TableTestSupport.h"

namespace kartei::testing {

// Tables made through the write path, and cursors on them.
class CursorTest : public TableTest {
protected:
    std::unique_ptr<TDataCursorImpl> OpenCursor(const std::string& name, const std::string& index = {},
                                                bool natural = false) {
        auto cursor = std::make_unique<TDataCursorImpl>(*directory_);
        TTableOpenRequest request;
        request.Name = name;
        cursor->Open(request, natural);
        if (!index.empty()) {
            cursor->SelectIndex(index);
        }
        return cursor;
    }

    // A city table with these names, inserted in this order (ids 1, 2, ...).
    TDataTableImpl* MakeCities(const std::vector<std::string>& names) {
        TDataTableImpl* table = Create("City", CityDefinition());
        for (const std::string& name : names) {
            table->InsertRecord(CityRecord(*table, name));
        }
        return table;
    }

    // An area-code table: each pair is (city id, code).
    TDataTableImpl* MakeCodes(const std::vector<std::pair<int32_t, std::string>>& rows) {
        TDataTableImpl* table = Create("AreaCode", AreaCodeDefinition());
        for (const auto& [city, code] : rows) {
            table->InsertRecord(PairRecord(*table, city, code));
        }
        return table;
    }

    static std::string CityOf(const TDataCursorImpl& cursor) {
        return std::string(GetStringField(cursor.CurrentRecord(), cursor.Table().Fields()[1]));
    }
    static std::string CityOf(const TDataTableImpl& table, const std::vector<uint8_t>& image) {
        return std::string(GetStringField(image, table.Fields()[1]));
    }

    // Every record's field 2 through GetNext from First, or GetPrior from Last.
    static std::vector<std::string> WalkForward(TDataCursorImpl& cursor) {
        std::vector<uint8_t> buffer(cursor.RecordSize());
        std::vector<std::string> seen;
        cursor.First();
        while (cursor.GetNext(buffer) == ErrorCode::Success) {
            seen.push_back(CityOf(cursor.Table(), buffer));
        }
        return seen;
    }
    static std::vector<std::string> WalkBackward(TDataCursorImpl& cursor) {
        std::vector<uint8_t> buffer(cursor.RecordSize());
        std::vector<std::string> seen;
        cursor.Last();
        while (cursor.GetPrior(buffer) == ErrorCode::Success) {
            seen.push_back(CityOf(cursor.Table(), buffer));
        }
        return seen;
    }

    // Distinct generated place names, enough to fill many leaves.
    static std::vector<std::string> ManyNames(int count) {
        std::vector<std::string> names;
        for (int k = 0; k < count; ++k) {
            names.push_back("Ort " + std::to_string((k * 7919) % 100000 + 100000));
        }
        return names;
    }
};

}  // namespace kartei::testing
