#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "dataset/framework/FlagSet.h"

namespace kartei {

enum class TIndexOption { ixPrimary, ixUnique, ixDescending, ixCaseInsensitive, ixExpression };
using TIndexOptions = TFlagSet<TIndexOption>;

struct TIndexDef {
    std::string Name;
    std::string Fields;  // field names separated by ";"
    TIndexOptions Options;
};

class TComponent;

// The index definitions of a table. FindIndexForFields raises its error on behalf of the owner (the
// dataset), when there is one.
class TIndexDefs {
public:
    explicit TIndexDefs(const TComponent* owner = nullptr) : owner_(owner) {}

    TIndexDef& Add(std::string name, std::string fields, TIndexOptions options);
    void Clear() { defs_.clear(); }

    int Count() const { return static_cast<int>(defs_.size()); }
    const TIndexDef& operator[](int index) const { return defs_.at(static_cast<size_t>(index)); }
    TIndexDef& operator[](int index) { return defs_.at(static_cast<size_t>(index)); }

    // The definition of that name (without regard to case), or none.
    const TIndexDef* Find(std::string_view name) const;

    // The index for a field list: first one whose field list equals it, then one whose field list
    // begins with it followed by ";" (field names without regard to case). Descending and expression
    // indexes never match. None raises "Kein Index für die Felder '%s' vorhanden" for the owner.
    const TIndexDef& FindIndexForFields(std::string_view fields) const;
    // As FindIndexForFields, but when `caseInsensitive` is set only case-insensitive indexes match, and
    // none found gives none.
    const TIndexDef* GetIndexForFields(std::string_view fields, bool caseInsensitive) const;

    // Whether the definitions reflect the table as it is; whoever fills them sets it.
    bool Updated() const { return updated_; }
    void SetUpdated(bool updated) { updated_ = updated; }

private:
    const TComponent* owner_;
    std::vector<TIndexDef> defs_;
    bool updated_ = false;
};

}  // namespace kartei
