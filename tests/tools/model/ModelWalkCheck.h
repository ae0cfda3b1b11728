#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <span>
#include <string>

#include "engine/format/FieldDescriptor.h"
#include "tools/model/ModelOrder.h"
#include "tools/model/ModelRecord.h"

namespace kartei::tools::model {

// One walk through an index (or record order) while others change the table: every record that lived for
// the whole walk must be seen exactly once, records added or removed meanwhile may or may not be, nothing
// twice, and everything in the walk's order. Raises TModelFailure when the walk breaks that.
class TWalkCheck {
public:
    // `order`: the index walked, nullptr for record order. `living`: the records that must be seen unless
    // removed during the walk, by identifier.
    TWalkCheck(std::span<const TFieldDescriptor> fields, const TIndexOrder* order, bool forward,
               std::map<int32_t, TModelRecord> living);

    // Changes during the walk: the record need not be seen.
    void Inserted(int32_t id) { required_.erase(id); }
    void Deleted(int32_t id) { required_.erase(id); }

    void Saw(std::span<const uint8_t> image);
    // At the end of the walk.
    void Finish() const;

    // "index slot 2 forward" or "record order backward".
    std::string Name() const;

private:
    std::span<const TFieldDescriptor> fields_;
    const TIndexOrder* order_;
    bool forward_;
    std::map<int32_t, TModelRecord> required_;
    std::set<int32_t> seen_;
    std::optional<TModelRecord> previous_;
};

}  // namespace kartei::tools::model
