#include "tools/model/ModelChecker.h"

#include <random>

#include "engine/cursor/DataCursor.h"
#include "tools/TableCheck.h"
#include "tools/model/ModelCursorChecks.h"
#include "tools/model/ModelFailure.h"
#include "tools/model/ModelSearchChecks.h"

namespace kartei::tools::model {
namespace {

std::string Joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) {
        text += "\n  " + line;
    }
    return text;
}

}  // namespace

void CheckTableAgainstModel(TDataDirectoryImpl& directory, const std::string& tableName, const TModelTable& model,
                            uint32_t seed) {
    std::mt19937 random(seed);
    TDataCursorImpl cursor(directory);
    TTableOpenRequest request;
    request.Name = tableName;
    cursor.Open(request, true);
    // Held for the whole check: nobody changes the table meanwhile, and the cursor's operations need not each
    // lock it and look for changes (which costs more than the rest of the check).
    const TDataTableImpl::TReadAccess hold(cursor.Table());
    const std::vector<std::string> findings = CheckTable(cursor.Table());
    Expect(findings.empty(), [&] { return "the table check finds" + Joined(findings); });
    const int32_t count = cursor.Table().RecordCount();
    Expect(count == static_cast<int32_t>(model.Size()),
           [&] { return "the table counts " + std::to_string(count) + " records"; });

    const std::vector<const TModelRecord*> numbered = model.ByRecordNumber();
    ExpectWalks(cursor, model, numbered, random, "record order");
    ExpectPositions(cursor, model, numbered, random, "record order");

    const TValueSource values(model.Fields(), model.LocaleTable());
    const std::vector<const TModelRecord*> live = model.Live();
    for (const TIndexOrder& order : model.Orders()) {
        const std::string where = "index slot " + std::to_string(order.Slot());
        const std::vector<const TModelRecord*> sorted = order.Sorted(live);
        cursor.SelectIndex(order.Slot());
        ExpectWalks(cursor, model, sorted, random, where);
        ExpectPositions(cursor, model, sorted, random, where);
        ExpectRanges(cursor, model, order, sorted, values, random, where);
        ExpectKeySearches(cursor, model, order, sorted, values, random, where);
    }
}

}  // namespace kartei::tools::model
