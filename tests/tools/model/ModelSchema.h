#pragma once

#include <random>
#include <string>

#include "engine/table/TableCreation.h"

namespace kartei::tools::model {

// The shapes of table the workload makes; a seed picks one and fills in the rest at random.
enum class TSchemaFamily {
    // Any fields (strings, bytes, integers, an auto-increment field) and any indexes, either locale.
    Mixed,
    // Two String(40) fields under indexes of every compression mode: values with long shared prefixes
    // keep compressed leaves nearly full.
    PrefixPair,
    // Keys of up to 524 bytes (two String(250) fields and a Bytes field): a handful of entries per leaf.
    WideKeys,
    // The German locale (phone-book order): umlauts, sharp s, case, case-insensitive indexes.
    PhoneBook,
};

struct TModelSchema {
    TSchemaFamily Family = TSchemaFamily::Mixed;
    TTableDefinition Definition;
};

TModelSchema MakeSchema(std::mt19937& random);

// One line per index, naming its fields and properties, for failure reports.
std::string DescribeSchema(const TModelSchema& schema);

}  // namespace kartei::tools::model
