#pragma once

#include "engine/table/TableCreation.h"

namespace kartei::tools {

// The two tables of the main window, as the program's lists read them: City (an auto-increment `id`,
// required, and a `City` name of up to 200 characters; indexes `City` unique on City, `PrimaryKey` unique on
// id, `id` on id) and AreaCode (`city_id` integer and `areacode` of up to 20 characters; indexes `areacode`
// and `city_id`, not unique). Neither has primary-key fields, so record order is their natural order. Both
// use German with phone-book order (language 0407 hex, sort id 1).
TTableDefinition CityTableDefinition();
TTableDefinition AreaCodeTableDefinition();

}  // namespace kartei::tools
