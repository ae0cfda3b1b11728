#include <gtest/gtest.h>

#include <cerrno>

#include "engine/os/OsErrorMapping.h"
#include "kartei/ErrorCodes.h"

namespace kartei {
namespace {

TEST(OsErrorMapping, SystemErrorsMapToTheirEngineCodes) {
    EXPECT_EQ(EngineCodeForOsError(ENOENT), 11010);
    EXPECT_EQ(EngineCodeForOsError(ENOTDIR), 11010);
    EXPECT_EQ(EngineCodeForOsError(EMFILE), 11012);
    EXPECT_EQ(EngineCodeForOsError(ENFILE), 11012);
    EXPECT_EQ(EngineCodeForOsError(EACCES), 11013);
    EXPECT_EQ(EngineCodeForOsError(EPERM), 11013);
    EXPECT_EQ(EngineCodeForOsError(EAGAIN), 11013);  // a refused lock: sharing violation
    EXPECT_EQ(EngineCodeForOsError(EBADF), 11014);
    EXPECT_EQ(EngineCodeForOsError(ENOMEM), 11016);
    EXPECT_EQ(EngineCodeForOsError(ENXIO), 11023);
    EXPECT_EQ(EngineCodeForOsError(ENODEV), 11023);
    EXPECT_EQ(EngineCodeForOsError(EXDEV), 11025);
}

TEST(OsErrorMapping, AnyOtherErrorIsUnknownAndKeepsItsNumber) {
    EXPECT_EQ(EngineCodeForOsError(EIO), ErrorCode::UnknownOsError);
    EXPECT_EQ(LastUnknownOsError(), EIO);
    EXPECT_EQ(EngineCodeForOsError(ENOSPC), 11047);
    EXPECT_EQ(LastUnknownOsError(), ENOSPC);
    // A mapped error leaves the last unknown one alone.
    EXPECT_EQ(EngineCodeForOsError(ENOENT), 11010);
    EXPECT_EQ(LastUnknownOsError(), ENOSPC);
}

}  // namespace
}  // namespace kartei
