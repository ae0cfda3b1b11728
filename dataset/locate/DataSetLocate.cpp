// TKarteiDataSet: locate and lookup through the shared search.

#include "dataset/locate/LocateSearch.h"
#include "dataset/table/KarteiDataSet.h"

namespace kartei {

bool TKarteiDataSet::Locate(std::string_view keyFields, const TVariant& keyValues, TLocateOptions options) {
    DoBeforeScroll();
    const bool found = TLocateSearch(*this).Run(keyFields, keyValues, options, true);
    if (found) {
        Resync({TResyncOption::rmExact, TResyncOption::rmCenter});
        DoAfterScroll();
    }
    return found;
}

TVariant TKarteiDataSet::Lookup(std::string_view keyFields, const TVariant& keyValues,
                                std::string_view resultFields) {
    if (!TLocateSearch(*this).Run(keyFields, keyValues, {}, false)) {
        return {};
    }
    const TDataSetState previous = SetTempState(TDataSetState::dsCalcFields);
    stateRecord_ = tempBuffer_.data();
    TVariant result;
    try {
        const std::vector<TField*> fields = GetFieldList(resultFields);
        if (fields.size() == 1) {
            result = fields.front()->Value();
        } else {
            std::vector<TVariant> values;
            for (const TField* field : fields) {
                values.push_back(field->Value());
            }
            result = TVariant(std::move(values));
        }
    } catch (...) {
        stateRecord_ = nullptr;
        RestoreState(previous);
        throw;
    }
    stateRecord_ = nullptr;
    RestoreState(previous);
    return result;
}

}  // namespace kartei
