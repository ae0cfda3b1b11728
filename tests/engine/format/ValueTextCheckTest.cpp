#include "engine/format/ValueTextCheck.h"

#include <gtest/gtest.h>

#include "kartei/Field.h"

namespace kartei {
namespace {

TEST(ValueTextCheckTest, ValidityOfMinimumMaximumAndDefaultTextsDependsOnTheType) {
    struct TCase {
        uint8_t Type;
        const char* Text;
        bool Valid;
    };
    const TCase cases[] = {
        {FieldType::Date, "2024-02-29", true},
        {FieldType::Date, "DATE", true},
        {FieldType::Date, "date", true},
        {FieldType::Date, "NOW", false},
        {FieldType::Date, "", true},
        {FieldType::Time, "TIME", true},
        {FieldType::Time, "DATE", false},
        {FieldType::Time, "08:15:00", true},
        {FieldType::DateTime, "NOW", true},
        {FieldType::DateTime, "DATE", true},
        {FieldType::DateTime, "TIME", true},
        {FieldType::DateTime, "2024-01-01 08:15:00", true},
        {FieldType::DateTime, "morgen", false},
        {FieldType::Boolean, "true", true},
        {FieldType::Boolean, "1", false},
        {FieldType::SmallInt, "-32768", true},
        {FieldType::SmallInt, "32768", false},
        {FieldType::Integer, "2147483647", true},
        {FieldType::Integer, "2147483648", false},
        {FieldType::Word, "65535", true},
        {FieldType::Word, "-1", false},
        {FieldType::Float, "0.25", true},
        {FieldType::Float, "x", false},
        {FieldType::Bcd, "12.5", true},
        {FieldType::Bcd, "1e2", false},
        {FieldType::String, "beliebig", true},
        {FieldType::Bytes, "NOW", true},
        {FieldType::VarBytes, "-", true},
    };
    for (const TCase& c : cases) {
        EXPECT_EQ(IsValidValueText(c.Type, c.Text), c.Valid) << int(c.Type) << " '" << c.Text << "'";
    }
}

}  // namespace
}  // namespace kartei
