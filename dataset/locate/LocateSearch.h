#pragma once

#include <string_view>
#include <vector>

#include "dataset/framework/DataSetTypes.h"
#include "dataset/framework/Variant.h"

namespace kartei {

class TDataCursor;
class TField;
class TKarteiDataSet;

// The search that locate and lookup share: the first record, in the order of the cursor used, whose listed
// fields equal the values. It searches by key on the dataset's own cursor when its index fits, else on the
// dataset's search cursor, else it scans the own cursor with a filter. The found record is left in the
// dataset's scratch buffer; the dataset's position is marked as changed, so its next operation puts the
// cursor back unless the caller makes the found record current.
class TLocateSearch {
public:
    explicit TLocateSearch(TKarteiDataSet& dataSet) : dataSet_(dataSet) {}

    // With `moveMainCursor` the own cursor ends on the found record (8710 when it cannot get there).
    bool Run(std::string_view keyFields, const TVariant& keyValues, TLocateOptions options, bool moveMainCursor);

private:
    bool OwnIndexFits(const std::vector<TField*>& fields, bool caseInsensitive) const;
    // Writes the values into the scratch record through the fields (filter state), then runs `step`.
    template <typename Step>
    auto WithValues(const std::vector<TField*>& fields, const TVariant& values, Step step);
    bool SearchByKey(TDataCursor& cursor, const std::vector<TField*>& fields, const TVariant& values,
                     bool partialKey);
    bool Scan(const std::vector<TField*>& fields, const TVariant& values, TLocateOptions options);

    TKarteiDataSet& dataSet_;
};

}  // namespace kartei
