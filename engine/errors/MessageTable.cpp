#include "engine/errors/MessageTable.h"

#include <algorithm>
#include <iterator>

namespace kartei {
namespace {

using A = TMessageArg;

// Sorted by code for the binary search.
constexpr TMessageEntry kMessages[] = {
    {8705, "Beginning of file encountered in table '%s'", {A::Table}},
    {8706, "End of file encountered in table '%s'", {A::Table}},
    {8708,
     "Record has been changed or deleted by another user, session, or table cursor in table '%s'",
     {A::Table}},
    {8709, "No current record in table '%s'", {A::Table}},
    {8710, "Record not found in table '%s'", {A::Table}},
    {8711, "End of blob data in table '%s' reached prematurely", {A::Table}},
    {8961, "Header information corrupt in table '%s'", {A::Table}},
    {8962, "Data record buffers corrupt in table '%s'", {A::Table}},
    {8963, "BLOB block buffers corrupt in table '%s'", {A::Table}},
    {8965, "Index page buffers corrupt in table '%s'", {A::Table}},
    {9217, "Error reading from table '%s'", {A::Table}},
    {9218, "Error writing to table '%s'", {A::Table}},
    {9220, "Cannot delete table '%s'", {A::Table}},
    {9221, "Error accessing header information for table '%s'", {A::Table}},
    {9477, "Maximum record size exceeded in table '%s'", {A::Table}},
    {9479, "The table '%s' is full and cannot contain any more data", {A::Table}},
    {9482, "Too many filters defined for table '%s'", {A::Table}},
    {9487,
     "Maximum or minimum limits on number of indexes or fields in an index exceeded in table '%s'",
     {A::Table}},
    {9492,
     "Maximum or minimum limits on number of fields, auto-increment field value, or field size exceeded in "
     "table '%s'",
     {A::Table}},
    {9494, "Too many blobs opened in table '%s'", {A::Table}},
    {9498, "Too many blob fields or invalid blob block size specified for table '%s'", {A::Table}},
    {9729, "Duplicate key found in index '%s' of table '%s'", {A::Index, A::Table}},
    {9730,
     "The value for the field '%s' in table '%s' is below the minimum allowable value",
     {A::Field, A::Table}},
    {9731,
     "The value for the field '%s' in table '%s' is above the maximum allowable value",
     {A::Field, A::Table}},
    {9732, "A value must be provided for the field '%s' in table '%s'", {A::Field, A::Table}},
    {9985, "Invalid field number or name '%s' specified for table '%s'", {A::Field, A::Table}},
    {9993, "A primary index is already defined for table '%s' and cannot be added again", {A::Table}},
    {9998, "Invalid blob offset into table '%s' specified", {A::Table}},
    {10000, "Invalid field definition specified for the field '%s' in table '%s'", {A::Field, A::Table}},
    {10006,
     "Invalid default, min or max validity check, or expression specified for '%s' in table '%s'",
     {A::Field, A::Table}},
    {10010, "The secondary index name is missing or not specified for table '%s'", {A::Table}},
    {10015, "Password provided for table '%s' is invalid", {A::Table}},
    {10022, "Invalid secondary index name '%s' specified for table '%s'", {A::Index, A::Table}},
    {10023,
     "Invalid field number '%s' specified in index '%s' for table '%s'",
     {A::Field, A::Index, A::Table}},
    {10026, "Invalid key size specified in index '%s' for table '%s'", {A::Index, A::Table}},
    {10027, "The secondary index '%s' already exists for table '%s'", {A::Index, A::Table}},
    {10029, "Invalid blob length in table '%s'", {A::Table}},
    {10030, "Invalid blob handle for table '%s' specified", {A::Table}},
    {10031, "table '%s' is already in use", {A::Table}},
    {10038, "Invalid or duplicate field name '%s' specified for table '%s'", {A::Field, A::Table}},
    {10050, "Invalid filter handle specified for table '%s'", {A::Table}},
    {10051, "Filter error for table '%s' - %s", {A::Table, A::Extra}},
    {10055, "The primary index cannot be removed from table '%s'", {A::Table}},
    {10241, "The table '%s' is already locked by another user", {A::Table}},
    {10242, "Cannot unlock table or record in table '%s'", {A::Table}},
    {10249, "General lock failure with table '%s'", {A::Table}},
    {10253, "table '%s' must be opened exclusively", {A::Table}},
    {10258, "Record in table '%s' is in use by another user", {A::Table}},
    {10498, "Insufficient rights to table '%s', a password is required", {A::Table}},
    {10753, "Invalid blob field '%s' specified for table '%s'", {A::Field, A::Table}},
    {10758, "Engine not initialized", {}},
    {11010, "Invalid path or file name for table '%s'", {A::Table}},
    {11012, "Too many files open while attempting to open table '%s'", {A::Table}},
    {11013, "Access denied to table '%s'", {A::Table}},
    {11014, "Invalid file handle for table '%s'", {A::Table}},
    {11016, "There is insufficient operating system memory available for the current operation", {}},
    {11017, "Invalid length for in-memory table '%s'", {A::Table}},
    {11023, "Access denied to logical operating system device for table '%s'", {A::Table}},
    {11025, "table '%s' has been moved", {A::Table}},
    {11047, "An unknown operating system error occurred with table '%s'", {A::Table}},
    {11949, "SQL error - %s", {A::Extra}},
    {12035, "table '%s' is not the correct version", {A::Table}},
    {12292, "Invalid field type specified for index '%s' in table '%s'", {A::Index, A::Table}},
    {13060, "The table '%s' already exists", {A::Table}},
    {15878, "The language driver for table '%s' is not available or installed", {A::Table}},
};

static_assert(std::size(kMessages) == 65);

}  // namespace

const TMessageEntry* FindMessage(uint16_t code) {
    const auto* end = std::end(kMessages);
    const auto* it = std::lower_bound(std::begin(kMessages), end, code,
                                      [](const TMessageEntry& e, uint16_t c) { return e.Code < c; });
    return it != end && it->Code == code ? it : nullptr;
}

}  // namespace kartei
