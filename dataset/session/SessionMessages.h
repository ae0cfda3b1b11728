#pragma once

#include <string_view>

namespace kartei {

// The session and database components' messages. "%s" marks the places FormatMessage fills.
inline constexpr std::string_view kSAutoSessionActive = "Cannot perform this operation on the active auto-session.";
inline constexpr std::string_view kSAutoSessionExclusive = "The active auto-session can be the only active session.";
inline constexpr std::string_view kSAutoSessionExists = "This auto-session already exists.";
inline constexpr std::string_view kSDuplicateSessionName = "Session name %s already exists.";
inline constexpr std::string_view kSInvalidSessionName = "Session name %s is not valid.";
inline constexpr std::string_view kSSessionNameMissing = "Session name is missing.";
inline constexpr std::string_view kSSessionActive = "Cannot perform this operation on an active session.";
inline constexpr std::string_view kSDuplicateDatabaseName = "Database name %s already exists.";
inline constexpr std::string_view kSDatabaseNameMissing = "Database name is missing.";
inline constexpr std::string_view kSInvalidDatabaseName = "Database name %s is not valid.";
inline constexpr std::string_view kSDatabaseOpen = "Cannot perform this operation on an open database.";

// The engine version every component reports.
inline constexpr std::string_view kEngineVersion = "2.11";

}  // namespace kartei
