#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "dataset/framework/FieldTypes.h"

namespace kartei {

// The description of one field of a dataset, from which its field object is made.
struct TFieldDef {
    std::string Name;
    TFieldType DataType = TFieldType::ftUnknown;
    int Size = 0;       // characters (ftString), bytes (ftBytes, ftVarBytes), decimal places (ftBCD)
    int Precision = 0;  // digits of an ftBCD value
    bool Required = false;
    int FieldNo = 0;  // the dataset's own field number; Add numbers fields from 1 in order
    bool InternalCalcField = false;
};

class TFieldDefs {
public:
    TFieldDef& Add(std::string name, TFieldType dataType, int size = 0, bool required = false);
    void Clear() { defs_.clear(); }

    int Count() const { return static_cast<int>(defs_.size()); }
    const TFieldDef& operator[](int index) const { return defs_.at(static_cast<size_t>(index)); }
    TFieldDef& operator[](int index) { return defs_.at(static_cast<size_t>(index)); }

    // The definition of that name (without regard to case), or none.
    const TFieldDef* Find(std::string_view name) const;

private:
    std::vector<TFieldDef> defs_;
};

}  // namespace kartei
