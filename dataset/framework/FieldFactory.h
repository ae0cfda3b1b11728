#pragma once

#include <memory>

#include "dataset/framework/Field.h"

namespace kartei {

// The field object for a definition, of the class for its type; none for the types without a field
// class (ftUnknown, ftADT, ftArray, ftReference, ftDataSet).
std::unique_ptr<TField> CreateField(TDataSet& dataSet, const TFieldDef& def);

}  // namespace kartei
