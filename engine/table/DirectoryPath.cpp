#include "engine/table/DirectoryPath.h"

#include <unistd.h>

#include <cstdlib>
#include <memory>

#include "base/TextHelpers.h"

namespace kartei {
namespace {

constexpr char kSeparator = '/';

std::string WithTrailingSeparator(std::string path) {
    if (path.empty() || path.back() != kSeparator) {
        path += kSeparator;
    }
    return path;
}

}  // namespace

bool IsMemoryDirectory(std::string_view directory) {
    return EqualsIgnoreAsciiCase(TrimBlanks(directory), kMemoryDirectoryName);
}

std::string NormalizeDirectoryPath(std::string_view directory, std::string_view currentDirectory) {
    const std::string_view trimmed = TrimBlanks(directory);
    if (trimmed.empty()) {
        return WithTrailingSeparator(std::string(currentDirectory));
    }
    std::string path(trimmed);
    for (char& c : path) {
        if (c == '\\') {
            c = kSeparator;
        }
    }
    return WithTrailingSeparator(std::move(path));
}

std::string DirectoryIdentity(const std::string& path) {
    const std::unique_ptr<char, decltype(&std::free)> resolved(realpath(path.c_str(), nullptr), &std::free);
    return resolved ? std::string(resolved.get()) : path;
}

std::string CurrentDirectoryPath() {
    const std::unique_ptr<char, decltype(&std::free)> current(getcwd(nullptr, 0), &std::free);
    return WithTrailingSeparator(current ? std::string(TrimBlanks(current.get())) : std::string());
}

}  // namespace kartei
