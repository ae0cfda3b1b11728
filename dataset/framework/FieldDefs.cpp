#include "dataset/framework/FieldDefs.h"

#include "dataset/framework/Names.h"

namespace kartei {

TFieldDef& TFieldDefs::Add(std::string name, TFieldType dataType, int size, bool required) {
    TFieldDef& def = defs_.emplace_back();
    def.Name = std::move(name);
    def.DataType = dataType;
    def.Size = size;
    def.Required = required;
    def.FieldNo = Count();
    return def;
}

const TFieldDef* TFieldDefs::Find(std::string_view name) const {
    for (const TFieldDef& def : defs_) {
        if (SameName(def.Name, name)) {
            return &def;
        }
    }
    return nullptr;
}

}  // namespace kartei
