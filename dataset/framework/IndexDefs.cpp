#include "dataset/framework/IndexDefs.h"

#include "dataset/framework/DatabaseErrors.h"
#include "dataset/framework/FrameworkMessages.h"
#include "dataset/framework/Names.h"

namespace kartei {
namespace {

template <typename Accept>
const TIndexDef* MatchFields(const std::vector<TIndexDef>& defs, std::string_view fields, Accept accept) {
    for (const TIndexDef& def : defs) {
        if (accept(def) && SameName(def.Fields, fields)) {
            return &def;
        }
    }
    for (const TIndexDef& def : defs) {
        if (accept(def) && NameListStartsWith(def.Fields, fields)) {
            return &def;
        }
    }
    return nullptr;
}

bool IsSearchable(const TIndexDef& def) {
    return !def.Options.Contains(TIndexOption::ixDescending) &&
           !def.Options.Contains(TIndexOption::ixExpression);
}

}  // namespace

TIndexDef& TIndexDefs::Add(std::string name, std::string fields, TIndexOptions options) {
    TIndexDef& def = defs_.emplace_back();
    def.Name = std::move(name);
    def.Fields = std::move(fields);
    def.Options = options;
    return def;
}

const TIndexDef* TIndexDefs::Find(std::string_view name) const {
    for (const TIndexDef& def : defs_) {
        if (SameName(def.Name, name)) {
            return &def;
        }
    }
    return nullptr;
}

const TIndexDef& TIndexDefs::FindIndexForFields(std::string_view fields) const {
    if (const TIndexDef* def = MatchFields(defs_, fields, IsSearchable)) {
        return *def;
    }
    const std::string message = FormatMessage(kSNoIndexForFields, {fields});
    if (owner_) {
        RaiseComponentError(*owner_, message);
    }
    RaiseDatabaseError(message);
}

const TIndexDef* TIndexDefs::GetIndexForFields(std::string_view fields, bool caseInsensitive) const {
    return MatchFields(defs_, fields, [caseInsensitive](const TIndexDef& def) {
        return IsSearchable(def) &&
               (!caseInsensitive || def.Options.Contains(TIndexOption::ixCaseInsensitive));
    });
}

}  // namespace kartei
