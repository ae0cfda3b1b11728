#include "engine/format/TableFileNames.h"

#include "base/TextHelpers.h"
#include "engine/errors/ErrorContext.h"
#include "kartei/ErrorCodes.h"

namespace kartei {
namespace {

constexpr char kPathSeparator = '/';

// Position of the extension's dot in the file part, or npos.
size_t ExtensionAt(std::string_view name) {
    const size_t fileAt = name.rfind(kPathSeparator);
    const size_t dotAt = name.rfind('.');
    return dotAt != std::string_view::npos && (fileAt == std::string_view::npos || dotAt > fileAt)
               ? dotAt
               : std::string_view::npos;
}

std::string WithExtension(std::string_view name, std::string_view extension) {
    std::string result(name.substr(0, ExtensionAt(name)));
    result += extension;
    return result;
}

std::string DirectoryPrefix(std::string_view directoryPath) {
    std::string prefix(directoryPath);
    if (!prefix.empty() && prefix.back() != kPathSeparator) {
        prefix += kPathSeparator;
    }
    return prefix;
}

std::string DataFilePath(std::string_view directoryPath, std::string_view tableName) {
    return DirectoryPrefix(directoryPath) + DataFileNameOf(tableName);
}

}  // namespace

std::string DataFileNameOf(std::string_view tableName) {
    const std::string_view name = TrimBlanks(tableName);
    const size_t dotAt = ExtensionAt(name);
    if (dotAt != std::string_view::npos && EqualsIgnoreAsciiCase(name.substr(dotAt), ".DAT")) {
        return std::string(name);
    }
    return WithExtension(name, ".DAT");
}

TTableFileNames TableFileNames(std::string_view directoryPath, std::string_view tableName) {
    std::string data = DataFilePath(directoryPath, tableName);
    TTableFileNames names{"", WithExtension(data, ".IDX"), WithExtension(data, ".BLB")};
    names.Data = std::move(data);
    return names;
}

TTableFileNames TableBackupFileNames(std::string_view directoryPath, std::string_view tableName) {
    const std::string data = DataFilePath(directoryPath, tableName);
    return {WithExtension(data, ".DBK"), WithExtension(data, ".IBK"), WithExtension(data, ".BBK")};
}

std::string JournalFileName(std::string_view dataFileName) {
    return WithExtension(dataFileName, ".JNL");
}

std::string SortFileName(std::string_view dataFileName, int slot) {
    const char digits[] = {'.', 'S', static_cast<char>('0' + slot / 10 % 10),
                           static_cast<char>('0' + slot % 10)};
    return WithExtension(dataFileName, std::string_view(digits, sizeof digits));
}

std::string SpillFileName(std::string_view fileName) {
    return std::string(fileName) + ".SPL";
}

bool IsBlankFileName(std::string_view name) {
    const size_t fileAt = name.rfind(kPathSeparator);
    const std::string_view file = fileAt == std::string_view::npos ? name : name.substr(fileAt + 1);
    return TrimBlanks(file.substr(0, ExtensionAt(file))).empty();
}

void CheckNewFileName(std::string_view name) {
    if (IsBlankFileName(name)) {
        RaiseKarteiError(ErrorCode::InvalidPath, name);
    }
}

}  // namespace kartei
