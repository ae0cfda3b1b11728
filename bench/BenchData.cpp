#include "bench/BenchData.h"

#include <algorithm>
#include <fstream>
#include <numeric>
#include <random>
#include <stdexcept>
#include <utility>

#include "bench/PhoneBookOrder.h"

namespace kartei::bench {
namespace {

// Sorts the names into key order and drops those the collation cannot tell apart (a unique index would
// refuse them: "Mäder" and "Maeder" are one key in phone-book order).
std::vector<std::string> KeyOrdered(std::vector<std::string> names) {
    const TPhoneBookOrder& order = PhoneBookOrder();
    std::vector<std::pair<std::string, std::string>> keyed;
    keyed.reserve(names.size());
    for (std::string& name : names) {
        keyed.emplace_back(order.SortKey(name), std::move(name));
    }
    std::sort(keyed.begin(), keyed.end());
    keyed.erase(std::unique(keyed.begin(), keyed.end(),
                            [](const auto& a, const auto& b) { return a.first == b.first; }),
                keyed.end());
    std::vector<std::string> sorted;
    sorted.reserve(keyed.size());
    for (auto& entry : keyed) {
        sorted.push_back(std::move(entry.second));
    }
    return sorted;
}

std::string CityName(std::mt19937& random) {
    static const char* const kPrefixes[] = {"Bad ", "Groß ", "Klein ", "Ober",   "Unter",
                                            "Neu",  "Alt",   "Hohen",  "Nieder", "Sankt "};
    static const char* const kStarts[] = {"B", "Br", "D", "F", "G", "Gr", "H",   "K",  "Kl",
                                          "L", "M",  "N", "P", "R", "S",  "Sch", "St", "T",
                                          "W", "Z",  "Ö", "Ü", "Ä", "A",  "E",   "O"};
    static const char* const kInnerStarts[] = {"b", "d", "f", "g", "h",   "k", "l", "m",
                                               "n", "p", "r", "s", "sch", "t", "w", "z"};
    static const char* const kVowels[] = {"a", "e", "i", "o", "u", "ä", "ö", "ü", "au", "ei", "ie"};
    static const char* const kMiddles[] = {"l", "n", "r", "s", "ß", "tt", "ck", "nd", "rg", "mm", "lz", "b"};
    static const char* const kEnds[] = {"dorf",  "hausen", "heim",  "berg", "burg",   "stadt",
                                        "feld",  "bach",   "ingen", "rode", "büttel", "wörth",
                                        "städt", "au",     "born",  "brück"};
    static const char* const kSuffixes[] = {" (Ruhr)", " am Main", " an der Lahn", "-Süd",
                                            "-Nord",   " i. Br.",  " Rheinland",   " bei Köln"};
    const auto pick = [&](const auto& list) {
        return std::string(list[std::uniform_int_distribution<size_t>(0, std::size(list) - 1)(random)]);
    };
    std::uniform_int_distribution<int> percent(0, 99);
    std::string name;
    if (percent(random) < 20) {
        name += pick(kPrefixes);
    }
    const int syllables = 1 + percent(random) % 3;
    for (int k = 0; k < syllables; ++k) {
        name += (k == 0 ? pick(kStarts) : pick(kInnerStarts)) + pick(kVowels) + pick(kMiddles);
    }
    name += pick(kEnds);
    if (percent(random) < 10) {
        name += pick(kSuffixes);
    }
    return name;
}

}  // namespace

TBenchRows ShippedRows(const std::string& csvPath) {
    std::ifstream in(csvPath);
    if (!in) {
        throw std::runtime_error("cannot read " + csvPath);
    }
    std::string line;
    std::getline(in, line);                                  // areacode,city
    std::vector<std::pair<std::string, std::string>> pairs;  // city, code
    while (std::getline(in, line)) {
        const size_t comma = line.find(',');
        if (comma == std::string::npos) {
            continue;
        }
        pairs.emplace_back(line.substr(comma + 1), line.substr(0, comma));
    }
    std::vector<std::string> names;
    for (const auto& pair : pairs) {
        names.push_back(pair.first);
    }
    TBenchRows rows;
    rows.Label = "shipped";
    rows.Cities = KeyOrdered(std::move(names));
    // Ids by name: the list is in key order, so a binary search by collation finds each place.
    const TPhoneBookOrder& order = PhoneBookOrder();
    for (const auto& [city, code] : pairs) {
        const auto found = std::lower_bound(
            rows.Cities.begin(), rows.Cities.end(), city, [&](const std::string& a, const std::string& b) {
                return order.Compare(a.data(), a.size(), b.data(), b.size()) < 0;
            });
        rows.Codes.push_back({static_cast<int32_t>(found - rows.Cities.begin() + 1), code});
    }
    return rows;
}

TBenchRows GeneratedRows(int32_t count) {
    std::mt19937 random(20240607u + static_cast<uint32_t>(count));
    TBenchRows rows;
    rows.Label = std::to_string(count);
    std::vector<std::string> names;
    while (static_cast<int32_t>(rows.Cities.size()) < count) {
        while (static_cast<int32_t>(names.size()) < count + count / 8) {
            names.push_back(CityName(random));
        }
        rows.Cities = KeyOrdered(names);
        names = rows.Cities;
    }
    // Keep an even spread of the alphabet: drop every surplus name at random, not the tail.
    std::shuffle(names.begin(), names.end(), random);
    names.resize(static_cast<size_t>(count));
    rows.Cities = KeyOrdered(std::move(names));
    std::uniform_int_distribution<int32_t> city(1, count);
    std::uniform_int_distribution<int32_t> digits(100, 99999);
    for (int32_t k = 0; k < count; ++k) {
        rows.Codes.push_back({city(random), "0" + std::to_string(digits(random))});
    }
    return rows;
}

TWorkloadInputs MakeInputs(const TBenchRows& rows) {
    std::mt19937 random(7u);
    const auto count = static_cast<int32_t>(rows.Cities.size());
    std::uniform_int_distribution<int32_t> anyCity(1, count);
    TWorkloadInputs inputs;
    for (int k = 0; k < 200; ++k) {
        const std::string& name = rows.Cities[static_cast<size_t>(anyCity(random) - 1)];
        // 1 to 4 characters, never cutting a UTF-8 sequence.
        const int characters = 1 + k % 4;
        size_t end = 0;
        for (int c = 0; c < characters && end < name.size(); ++c) {
            ++end;
            while (end < name.size() && (static_cast<unsigned char>(name[end]) & 0xC0) == 0x80) {
                ++end;
            }
        }
        inputs.Prefixes.push_back(name.substr(0, end));
    }
    for (int k = 0; k < 10000; ++k) {
        inputs.DetailCityIds.push_back(anyCity(random));
    }
    for (int k = 0; k < 4096; ++k) {
        inputs.LookupIds.push_back(anyCity(random));
        inputs.Ordinals.push_back(anyCity(random));
    }
    inputs.CountFrom = rows.Cities[static_cast<size_t>(count / 4)];
    inputs.CountTo = rows.Cities[static_cast<size_t>(count - 1 - count / 4)];
    return inputs;
}

}  // namespace kartei::bench
