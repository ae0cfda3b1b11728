#pragma once

#include <span>

#include "dataset/framework/FieldDefs.h"
#include "kartei/Field.h"

namespace kartei {

// The field type of an engine field type and subtype; ftUnknown for the codes that give no definition.
TFieldType FieldTypeOfEngineField(uint8_t type, uint8_t subtype);

// Rebuilds the definitions from the engine's field descriptors: each field the dataset can describe, with
// its engine field number, a repeated name made unique with "_1", "_2", ...
void FieldDefsFromEngine(std::span<const TFieldDescriptor> fields, TFieldDefs& defs);

}  // namespace kartei
