#include "settings/registry/RegNames.h"

#include <unicode/uchar.h>
#include <unicode/utf8.h>

namespace settings {
namespace {

// Matches the prefix against the start of the text one folded character at a time; returns the byte
// length of the text's matching part, or npos. Ill-formed bytes match only the same bytes.
size_t MatchFolded(std::string_view text, std::string_view prefix) {
    const int32_t textLength = static_cast<int32_t>(text.size());
    const int32_t prefixLength = static_cast<int32_t>(prefix.size());
    int32_t t = 0;
    int32_t p = 0;
    while (p < prefixLength) {
        if (t >= textLength) {
            return std::string_view::npos;
        }
        const int32_t textStart = t;
        const int32_t prefixStart = p;
        UChar32 a;
        UChar32 b;
        U8_NEXT(text.data(), t, textLength, a);
        U8_NEXT(prefix.data(), p, prefixLength, b);
        const bool same =
            (a < 0 || b < 0)
                ? text.substr(textStart, t - textStart) == prefix.substr(prefixStart, p - prefixStart)
                : a == b || u_foldCase(a, U_FOLD_CASE_DEFAULT) == u_foldCase(b, U_FOLD_CASE_DEFAULT);
        if (!same) {
            return std::string_view::npos;
        }
    }
    return static_cast<size_t>(t);
}

}  // namespace

bool RegNamesEqual(std::string_view a, std::string_view b) {
    return MatchFolded(a, b) == a.size();
}

bool RegPathIsBelow(std::string_view path, std::string_view ancestor) {
    if (ancestor.empty()) {
        return !path.empty();
    }
    const size_t end = MatchFolded(path, ancestor);
    return end != std::string_view::npos && end < path.size() && path[end] == '\\';
}

bool IsValidRegKeyPath(std::string_view path) {
    if (path.empty() || path.front() == '\\' || path.back() == '\\' || path.find("\\\\") != path.npos) {
        return false;
    }
    for (const char c : path) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
            return false;
        }
    }
    return true;
}

std::string JoinRegKeyPath(std::string_view parent, std::string_view subPath) {
    std::string path(parent);
    if (!path.empty() && !subPath.empty()) {
        path += '\\';
    }
    path += subPath;
    return path;
}

}  // namespace settings
