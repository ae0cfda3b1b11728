#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "engine/format/FieldDescriptor.h"
#include "engine/index/IndexDefinition.h"

namespace kartei::tools {

// Field and index definitions as written on the command line (UTF-8; names are stored in Windows-1252).
//
//   field:  NAME:TYPE[:SIZE][:OPTION...]      TYPE one of TypeNames(); SIZE is the length of string,
//           fixedchar, bytes and varbytes (1..250, required) and the decimal places of bcd (default 2);
//           OPTION: required, upper, lower (the last two for strings).
//   index:  NAME=FIELD[,FIELD...][:OPTION...]  OPTION: unique, nocase, desc,
//           compress=none|leading|trailing|both. A field followed by "-" sorts descending.
//   primary: FIELD[,FIELD...][:OPTION...]     as an index without name; always unique.
// Every fault is EToolError (usage) naming the text.

TFieldDescriptor ParseFieldDefinition(std::string_view text);
// Field names are those of `fields` (any case).
TIndexDefinition ParseIndexDefinition(std::string_view text, const std::vector<TFieldDescriptor>& fields);
TIndexDefinition ParsePrimaryDefinition(std::string_view text, const std::vector<TFieldDescriptor>& fields);

// The type names fields can be given, for help texts: "string, fixedchar, ...".
std::string TypeNames();
// A field's type as the tool names it, with its size or decimal places: "string(200)", "autoinc",
// "bcd(2)"; a type without a name as "type 13".
std::string TypeText(const TFieldDescriptor& field);

// The 1-based number of the field of that name (trimmed, any case), 0 when there is none.
uint16_t FieldNumberOf(std::span<const TFieldDescriptor> fields, std::string_view name);
// The names of the fields for messages (UTF-8): "id, City".
std::string FieldNames(std::span<const TFieldDescriptor> fields);

}  // namespace kartei::tools
