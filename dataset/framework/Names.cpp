#include "dataset/framework/Names.h"

#include "base/TextHelpers.h"

namespace kartei {
namespace {

// The upper-case letter of a cp1252 byte; every other byte stays.
unsigned char FoldCase(unsigned char c) {
    if (c >= 'a' && c <= 'z') {
        return static_cast<unsigned char>(c - 0x20);
    }
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) {  // à..þ without the division sign
        return static_cast<unsigned char>(c - 0x20);
    }
    switch (c) {
        case 0x9A:  // š
        case 0x9C:  // œ
        case 0x9E:  // ž
            return static_cast<unsigned char>(c - 0x10);
        case 0xFF:  // ÿ
            return 0x9F;
        default:
            return c;
    }
}

}  // namespace

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t k = 0; k < a.size(); ++k) {
        if (FoldCase(static_cast<unsigned char>(a[k])) != FoldCase(static_cast<unsigned char>(b[k]))) {
            return false;
        }
    }
    return true;
}

std::vector<std::string_view> SplitNames(std::string_view list) {
    std::vector<std::string_view> names;
    size_t at = 0;
    while (at < list.size()) {
        const size_t end = std::min(list.find(';', at), list.size());
        names.push_back(TrimBlanks(list.substr(at, end - at)));
        at = end + 1;
    }
    return names;
}

bool NameListStartsWith(std::string_view list, std::string_view leading) {
    return list.size() > leading.size() && list[leading.size()] == ';' &&
           SameName(list.substr(0, leading.size()), leading);
}

}  // namespace kartei
