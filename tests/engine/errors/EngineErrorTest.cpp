#include <gtest/gtest.h>

#include <string>

#include "engine/errors/ErrorContext.h"
#include "kartei/ErrorCodes.h"
#include "kartei/Errors.h"

namespace kartei {
namespace {

EKarteiEngineError Catch(auto&& raise) {
    try {
        raise();
    } catch (const EKarteiEngineError& error) {
        return error;
    }
    ADD_FAILURE() << "nothing was raised";
    return EKarteiEngineError(0);
}

TEST(EngineError, MessageCarriesPrefixCodeAndTextWithOneEntry) {
    const EKarteiEngineError error = Catch([] { RaiseKarteiError(ErrorCode::InvalidPath, "City"); });
    EXPECT_STREQ(error.what(), "Kartei Engine Error # 11010 Invalid path or file name for table 'City'");
    ASSERT_EQ(error.ErrorCount(), 1);
    EXPECT_EQ(error.Errors(0).ErrorCode, 11010);
    EXPECT_EQ(error.Errors(0).Message, "Invalid path or file name for table 'City'");
    EXPECT_EQ(error.ErrorCode(), 11010);
}

TEST(EngineError, IsADatabaseError) {
    try {
        RaiseKarteiError(ErrorCode::AccessDenied, "AreaCode");
    } catch (const EDatabaseError& error) {
        EXPECT_EQ(error.Message(), "Kartei Engine Error # 11013 Access denied to table 'AreaCode'");
        return;
    }
    FAIL() << "EKarteiEngineError must be caught as EDatabaseError";
}

TEST(EngineError, PlaceholdersAreFilledInTheOrderOfEachMessage) {
    // index name before table name
    EXPECT_STREQ(
        Catch([] { RaiseKarteiError(ErrorCode::DuplicateKey, "City", "", "", "PrimaryKey"); }).what(),
        "Kartei Engine Error # 9729 Duplicate key found in index 'PrimaryKey' of table 'City'");
    // field, then index, then table
    EXPECT_EQ(
        Catch([] { RaiseKarteiError(ErrorCode::InvalidIndexField, "T", "7", "", "ix"); }).Errors(0).Message,
        "Invalid field number '7' specified in index 'ix' for table 'T'");
    // table, then the extra text
    EXPECT_EQ(Catch([] { RaiseKarteiError(ErrorCode::FilterError, "T", "", "bad token"); }).Errors(0).Message,
              "Filter error for table 'T' - bad token");
    EXPECT_EQ(Catch([] { RaiseKarteiError(ErrorCode::SqlError, "T", "", "syntax"); }).Errors(0).Message,
              "SQL error - syntax");
}

TEST(EngineError, MessagesWithoutPlaceholderIgnoreTheContext) {
    EXPECT_EQ(Catch([] { RaiseKarteiError(ErrorCode::OutOfMemory, "City"); }).Errors(0).Message,
              "There is insufficient operating system memory available for the current operation");
    EXPECT_EQ(Catch([] { RaiseKarteiError(ErrorCode::NotInitialized, "City"); }).Errors(0).Message,
              "Engine not initialized");
}

TEST(EngineError, UnknownCodeNamesTheTable) {
    const EKarteiEngineError error = Catch([] { RaiseKarteiError(12345, "City"); });
    EXPECT_EQ(error.Errors(0).Message, "Unknown error occurred with table 'City'");
    EXPECT_STREQ(error.what(), "Kartei Engine Error # 12345 Unknown error occurred with table 'City'");
}

TEST(EngineError, CodeWithoutContextRepeatsTheEarlierNames) {
    Catch([] { RaiseKarteiError(ErrorCode::DuplicateKey, "City", "", "", "PrimaryKey"); });
    EXPECT_EQ(Catch([] { RaiseKarteiErrorCode(ErrorCode::IndexExists); }).Errors(0).Message,
              "The secondary index 'PrimaryKey' already exists for table 'City'");
}

TEST(EngineError, RaisingWithContextClearsTheEarlierNames) {
    Catch([] { RaiseKarteiError(ErrorCode::InvalidField, "Old", "OldField", "extra", "OldIndex"); });
    Catch([] { RaiseKarteiError(ErrorCode::RecordNotFound, "New"); });
    EXPECT_EQ(ErrorContextCode(), ErrorCode::RecordNotFound);
    EXPECT_EQ(ErrorContextName(TErrorContextName::Field), "");
    EXPECT_EQ(ErrorContextName(TErrorContextName::Index), "");
    EXPECT_EQ(ErrorContextName(TErrorContextName::Table), "New");
    EXPECT_EQ(ErrorContextOsError(), 0);
}

TEST(EngineError, OsErrorIsRecordedButNotShown) {
    const EKarteiEngineError error = Catch([] { RaiseKarteiOsError(ErrorCode::UnknownOsError, "City", 5); });
    EXPECT_EQ(error.Errors(0).Message, "An unknown operating system error occurred with table 'City'");
    EXPECT_EQ(ErrorContextOsError(), 5);
}

TEST(EngineError, TextIsCutTo254AndNamesTo255Characters) {
    const std::string longName(400, 'x');
    Catch([&] { RaiseKarteiError(ErrorCode::ReadError, longName); });
    EXPECT_EQ(ErrorContextName(TErrorContextName::Table), std::string(255, 'x'));
    const std::string text = ComposeErrorText(ErrorCode::ReadError);
    ASSERT_EQ(text.size(), 254u);
    EXPECT_EQ(text.rfind("Error reading from table '", 0), 0u);
    EXPECT_EQ(text.back(), 'x');
}

TEST(EngineError, CodeIsPrintedUnsigned) {
    EXPECT_EQ(std::string(Catch([] { RaiseKarteiError(0xFFFF, "T"); }).what()).substr(0, 28),
              "Kartei Engine Error # 65535 ");
}

TEST(EngineError, StatusCheckRaisesOnlyForNonZero) {
    EXPECT_NO_THROW(CheckKarteiStatus(0));
    Catch([] { RaiseKarteiError(ErrorCode::EndOfFile, "AreaCode"); });
    EXPECT_EQ(
        Catch([] { CheckKarteiStatus(ErrorCode::RecordChanged); }).Errors(0).Message,
        "Record has been changed or deleted by another user, session, or table cursor in table 'AreaCode'");
}

}  // namespace
}  // namespace kartei
