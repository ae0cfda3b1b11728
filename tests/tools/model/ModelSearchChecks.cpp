#include "tools/model/ModelSearchChecks.h"

#include <optional>

#include "tools/model/ModelCursorChecks.h"
#include "tools/model/ModelFailure.h"
#include "tools/model/ModelRandom.h"

namespace kartei::tools::model {
namespace {

// Key values to search for: a stored record's, a neighbour's, or new ones.
TModelRecord Probe(const TModelTable& model, const std::vector<const TModelRecord*>& sorted,
                   const TValueSource& values, std::mt19937& random) {
    const TModelRecord* stored =
        sorted.empty()
            ? nullptr
            : sorted[static_cast<size_t>(Between<int>(random, 0, static_cast<int>(sorted.size()) - 1))];
    TModelRecord probe;
    const int kind = Between<int>(random, 0, 9);
    if (stored != nullptr && kind < 5) {
        probe = *stored;
    } else {
        probe.Id = stored != nullptr && kind < 8 ? stored->Id + Between<int>(random, -1, 1)
                                                 : Between<int>(random, -1, model.LastId() + 1);
        probe.Values = values.Make(random, kind < 8 ? stored : nullptr);
    }
    UpdateImage(model.Fields(), model.RecordSize(), probe);
    return probe;
}

// "#0 id 3 {...} fields 1 partial 2", or "(open)" for no key.
std::string Named(const TModelTable& model, const TModelRecord* probe, int fieldCount, int partialLength) {
    return (probe == nullptr ? std::string("(open)") : Describe(model.Fields(), *probe)) + " fields " +
           std::to_string(fieldCount) +
           (partialLength > 0 ? " partial " + std::to_string(partialLength) : "");
}

// Where a search lands: the first record not below the search key (the last one when all are below), and
// whether it begins as the probe does.
struct TLanding {
    size_t Position = 0;
    bool Found = false;
};

TLanding Landing(const TIndexOrder& order, const std::vector<const TModelRecord*>& sorted,
                 const TModelRecord& probe, int fieldCount, int partialLength) {
    size_t position = sorted.size() - 1;
    for (size_t k = 0; k < sorted.size(); ++k) {
        if (order.CompareSearchKey(*sorted[k], probe, fieldCount, partialLength) >= 0) {
            position = k;
            break;
        }
    }
    return TLanding{position, order.ComparePrefix(*sorted[position], probe, fieldCount, partialLength) == 0};
}

}  // namespace

void ExpectRanges(TDataCursorImpl& cursor, const TModelTable& model, const TIndexOrder& order,
                  const std::vector<const TModelRecord*>& sorted, const TValueSource& values,
                  std::mt19937& random, const std::string& where) {
    for (int round = 0; round < 5; ++round) {
        std::optional<TModelRecord> start;
        std::optional<TModelRecord> end;
        // Now and then a side is left open.
        if (Between<int>(random, 0, 5) != 0) {
            start = Probe(model, sorted, values, random);
        }
        if (Between<int>(random, 0, 5) != 0) {
            end = round % 2 == 0 && start ? *start : Probe(model, sorted, values, random);
        }
        const int startFields = Between<int>(random, 0, order.FieldCount());
        const int endFields = round % 2 == 0 ? startFields : Between<int>(random, 0, order.FieldCount());
        const std::string range = where + ", range from " +
                                  Named(model, start ? &*start : nullptr, startFields, 0) + " to " +
                                  Named(model, end ? &*end : nullptr, endFields, 0);
        std::vector<const TModelRecord*> slice;
        bool left = false;
        for (const TModelRecord* record : sorted) {
            const bool inside = (!start || order.ComparePrefix(*record, *start, startFields, 0) >= 0) &&
                                (!end || order.ComparePrefix(*record, *end, endFields, 0) <= 0);
            Expect(!(inside && left), [&] { return range + ": the model's range is not one slice"; });
            left = left || (!inside && !slice.empty());
            if (inside) {
                slice.push_back(record);
            }
        }
        cursor.SetRange(TKeyForm::Record, start ? start->Image.data() : nullptr, startFields,
                        end ? end->Image.data() : nullptr, endFields);
        ExpectPositions(cursor, model, slice, random, range);
        ExpectWalks(cursor, model, slice, random, range);
        cursor.CancelRange();
        const int32_t count = cursor.RecordCount();
        Expect(count == static_cast<int32_t>(sorted.size()),
               [&] { return range + ", cancelled: RecordCount " + std::to_string(count); });
    }
}

void ExpectKeySearches(TDataCursorImpl& cursor, const TModelTable& model, const TIndexOrder& order,
                       const std::vector<const TModelRecord*>& sorted, const TValueSource& values,
                       std::mt19937& random, const std::string& where) {
    std::vector<uint8_t> out(cursor.RecordSize());
    const int n = static_cast<int>(sorted.size());
    for (int round = 0; round < 12; ++round) {
        const TModelRecord probe = Probe(model, sorted, values, random);
        // Leading fields (0: all), and sometimes leading characters of the string field after them.
        const int fieldCount = Between<int>(random, 0, order.FieldCount());
        int partialLength = 0;
        if (fieldCount < order.FieldCount() && order.IsString(fieldCount) &&
            Between<int>(random, 0, 1) == 0) {
            partialLength = Between<int>(random, 1, order.StringSize(fieldCount));
        }
        const bool nearest = Between<int>(random, 0, 1) == 0;
        const bool partial = (fieldCount >= 1 && fieldCount < order.FieldCount()) || !order.Unique() ||
                             (fieldCount == 0 && partialLength > 0);
        const std::string search = where + ", FindKey " + (nearest ? "nearest " : "exact ") +
                                   Named(model, &probe, fieldCount, partialLength);
        const int before = n == 0 ? 0 : Between<int>(random, 1, n);
        cursor.GoToOrdinal(before);
        const bool found =
            cursor.FindKey(TKeyForm::Record, probe.Image.data(), out, partialLength, nearest, fieldCount);
        if (n == 0) {
            Expect(!found, [&] { return search + ": found in an empty index"; });
            continue;
        }
        const TLanding landing = Landing(order, sorted, probe, fieldCount, partialLength);
        Expect(found == landing.Found, [&] {
            return search + ": found " + std::to_string(found) + ", the model's nearest is " +
                   Describe(model.Fields(), *sorted[landing.Position]);
        });
        // An exact search for a whole key that is absent leaves the cursor where it was.
        const size_t position =
            !partial && !nearest && !landing.Found ? static_cast<size_t>(before - 1) : landing.Position;
        ExpectRecord(model, out, *sorted[position], search);
        const int32_t ordinal = cursor.Ordinal();
        Expect(ordinal == static_cast<int32_t>(position + 1), [&] {
            return search + ": ordinal " + std::to_string(ordinal) + ", expected " +
                   std::to_string(position + 1);
        });
    }
}

}  // namespace kartei::tools::model
