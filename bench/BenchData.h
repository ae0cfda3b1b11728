#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kartei::bench {

// One store's contents, the same for both engines. Cities are numbered 1.. in German phone-book order, as
// the shipped tables number them; every code names the id of its city.
struct TBenchRows {
    std::string Label;                // "shipped", "100000", ...
    std::vector<std::string> Cities;  // UTF-8, in key order; id = position + 1
    struct TCode {
        int32_t CityId = 0;
        std::string Code;
    };
    std::vector<TCode> Codes;
};

// The shipped list: one city per row of the CSV file (distinct places), each with its code.
TBenchRows ShippedRows(const std::string& csvPath);
// `count` cities with city-like German names (umlauts, ß, prefixes, suffixes) and `count` codes, each owned
// by a random city, so that many cities have several codes and some none. Deterministic.
TBenchRows GeneratedRows(int32_t count);

// The inputs every side gets for one store.
struct TWorkloadInputs {
    std::vector<std::string> Prefixes;   // 200 prefixes of 1 to 4 characters, UTF-8
    std::vector<int32_t> DetailCityIds;  // 10,000 random city ids
    std::vector<int32_t> LookupIds;      // random ids for point lookups
    std::string CountFrom, CountTo;      // the cities at a quarter and three quarters of the order
    std::vector<int32_t> Ordinals;       // random 1-based positions for jumps
};

TWorkloadInputs MakeInputs(const TBenchRows& rows);

}  // namespace kartei::bench
