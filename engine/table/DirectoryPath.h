#pragma once

#include <string>
#include <string_view>

namespace kartei {

// The directory name that stands for the in-memory database, compared without regard to case.
constexpr std::string_view kMemoryDirectoryName = "MEMORY";

bool IsMemoryDirectory(std::string_view directory);

// The path a database directory's file names are built on: trimmed, backslashes turned into '/', with a
// trailing '/'. An empty directory is `currentDirectory`. The path stays relative when given relative, so
// ".\db" becomes "./db/".
std::string NormalizeDirectoryPath(std::string_view directory, std::string_view currentDirectory);

// What makes two paths the same directory: the canonical absolute path when the directory exists, else the
// path itself.
std::string DirectoryIdentity(const std::string& path);

// The process's current directory with a trailing '/'.
std::string CurrentDirectoryPath();

}  // namespace kartei
