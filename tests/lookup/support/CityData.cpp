// The places and codes of data/vorwahlen.csv as the lists' tests use them: the places in German phone-book
// order, and each code under the place it belongs to, a district's code ("Aalen-Ebnat") under its town
// ("Aalen") when the town is listed, so that many places own several codes.
#include "lookup/support/CityData.h"

#include <algorithm>
#include <map>
#include <string>

#include "engine/locale/Collator.h"
#include "base/Cp1252.h"
#include "engine/locale/LocaleId.h"
#include "support/VorwahlCsv.h"

namespace kartei::lookuptest {
namespace {

using testsupport::TVorwahlCsvRow;
using testsupport::VorwahlCsvRows;

// The order of the shipped City index: German (0407 hex) with phone-book order (sort id 1).
constexpr uint32_t kGermanPhoneBook = MakeLocaleId(0x0407, 1);

bool SortsBefore(const std::string& a, const std::string& b) {
    const auto bytes = [](const std::string& text) { return reinterpret_cast<const uint8_t*>(text.data()); };
    return KeyCollator(kGermanPhoneBook)->Compare(bytes(a), a.size(), bytes(b), b.size()) < 0;
}

// A place's id: its position in phone-book order plus 1.
const std::map<std::string_view, int>& IdsOfPlaces() {
    static const std::map<std::string_view, int> ids = [] {
        std::map<std::string_view, int> numbered;
        int id = 0;
        for (const std::string_view name : CityNames()) {
            numbered[name] = ++id;
        }
        return numbered;
    }();
    return ids;
}

// The id a code is listed under: its town's when the place is a listed town's district.
int OwnerId(std::string_view place) {
    const std::map<std::string_view, int>& ids = IdsOfPlaces();
    const size_t hyphen = place.find('-');
    const auto town = hyphen == std::string_view::npos ? ids.end() : ids.find(place.substr(0, hyphen));
    return town != ids.end() ? town->second : ids.at(place);
}

}  // namespace

const std::vector<std::string_view>& CityNames() {
    static const std::vector<std::string_view> names = [] {
        // Each place once, as cp1252 for the collator, with its UTF-8 name.
        std::map<std::string_view, std::string> places;
        for (const TVorwahlCsvRow& row : VorwahlCsvRows()) {
            places.try_emplace(row.City, Utf8ToCp1252(row.City));
        }
        std::vector<std::string_view> sorted;
        for (const auto& place : places) {
            sorted.push_back(place.first);
        }
        std::stable_sort(sorted.begin(), sorted.end(), [&](std::string_view a, std::string_view b) {
            return SortsBefore(places.at(a), places.at(b));
        });
        return sorted;
    }();
    return names;
}

const std::vector<TCodeOfCity>& CodesOfCities() {
    static const std::vector<TCodeOfCity> codes = [] {
        std::vector<TCodeOfCity> owned;
        for (const TVorwahlCsvRow& row : VorwahlCsvRows()) {
            owned.push_back({OwnerId(row.City), row.AreaCode});
        }
        std::stable_sort(owned.begin(), owned.end(),
                         [](const TCodeOfCity& a, const TCodeOfCity& b) { return a.CityId < b.CityId; });
        return owned;
    }();
    return codes;
}

}  // namespace kartei::lookuptest
