#include <gtest/gtest.h>

#include <sstream>

#include "tools/CsvReader.h"
#include "tools/CsvWriter.h"
#include "tools/ToolError.h"

namespace kartei::tools {
namespace {

using TRecords = std::vector<std::vector<std::string>>;

TRecords ReadAll(const std::string& text) {
    std::istringstream in(text);
    TCsvReader reader(in);
    TRecords records;
    for (std::vector<std::string> fields; reader.Next(fields);) {
        records.push_back(fields);
    }
    return records;
}

std::string ReadError(const std::string& text) {
    try {
        ReadAll(text);
    } catch (const EToolError& error) {
        EXPECT_EQ(error.Status(), ExitStatus::BadInput);
        return error.what();
    }
    return "no error";
}

TEST(CsvReader, SplitsRecordsOnEveryLineEnd) {
    EXPECT_EQ(ReadAll("a,b\r\nc,d\ne,f\rg,h"), (TRecords{{"a", "b"}, {"c", "d"}, {"e", "f"}, {"g", "h"}}));
    EXPECT_EQ(ReadAll(""), TRecords{});
}

TEST(CsvReader, KeepsEmptyFieldsAndBlankRecords) {
    EXPECT_EQ(ReadAll(",x,\r\n\r\n"), (TRecords{{"", "x", ""}, {""}}));
}

TEST(CsvReader, TakesQuotedFieldsWithCommasQuotesAndLineBreaks) {
    EXPECT_EQ(ReadAll("\"a,b\",\"say \"\"hi\"\"\",\"two\r\nlines\"\r\nnext,\"\"\r\n"),
              (TRecords{{"a,b", "say \"hi\"", "two\r\nlines"}, {"next", ""}}));
}

TEST(CsvReader, SkipsAByteOrderMark) {
    EXPECT_EQ(ReadAll("\xEF\xBB\xBFname\nM\xC3\xBCnster\n"), (TRecords{{"name"}, {"M\xC3\xBCnster"}}));
}

TEST(CsvReader, CountsLinesInsideQuotedFields) {
    std::istringstream in("h\n\"a\nb\"\nc\n");
    TCsvReader reader(in);
    std::vector<std::string> fields;
    ASSERT_TRUE(reader.Next(fields));
    ASSERT_TRUE(reader.Next(fields));
    ASSERT_TRUE(reader.Next(fields));
    EXPECT_EQ(fields, std::vector<std::string>{"c"});
    EXPECT_EQ(reader.Line(), 4);
}

TEST(CsvReader, RefusesBrokenQuoting) {
    EXPECT_EQ(ReadError("a\n\"open,\nstill open"), "CSV line 2: quoted field not closed");
    EXPECT_EQ(ReadError("a\n\"x\"y,z\n"), "CSV line 2: text after the closing quote of a field");
    EXPECT_EQ(
        ReadError("a\nab\"c\n"),
        "CSV line 2: a quote inside an unquoted field (enclose the field in quotes and double the quote)");
}

TEST(CsvWriter, QuotesOnlyWhatNeedsIt) {
    std::ostringstream out;
    const std::vector<std::string> fields{"plain", "", "a,b", "say \"hi\"", "two\nlines", " blank "};
    WriteCsvRecord(out, fields);
    EXPECT_EQ(out.str(), "plain,,\"a,b\",\"say \"\"hi\"\"\",\"two\nlines\", blank \r\n");
}

TEST(CsvWriter, WhatItWritesReadsBackTheSame) {
    const std::vector<std::string> fields{"\"", ",", "\r\n", "", "x\"\"y"};
    std::ostringstream out;
    WriteCsvRecord(out, fields);
    WriteCsvRecord(out, fields);
    EXPECT_EQ(ReadAll(out.str()), (TRecords{fields, fields}));
}

}  // namespace
}  // namespace kartei::tools
