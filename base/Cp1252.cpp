#include "base/Cp1252.h"

namespace kartei {
namespace {

// Bytes 0x80..0x9F; the rest of the code page equals Latin-1.
constexpr char16_t kHighControls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// Decodes one UTF-8 sequence at text[i]; advances i. Malformed input yields U+FFFD.
char32_t NextCodePoint(std::string_view text, size_t& i) {
    const auto lead = static_cast<uint8_t>(text[i++]);
    if (lead < 0x80) {
        return lead;
    }
    int extra = 0;
    char32_t cp = 0;
    if ((lead & 0xE0) == 0xC0) {
        extra = 1, cp = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        extra = 2, cp = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
        extra = 3, cp = lead & 0x07;
    } else {
        return 0xFFFD;
    }
    for (int k = 0; k < extra; ++k) {
        if (i >= text.size() || (static_cast<uint8_t>(text[i]) & 0xC0) != 0x80) {
            return 0xFFFD;
        }
        cp = (cp << 6) | (static_cast<uint8_t>(text[i++]) & 0x3F);
    }
    return cp;
}

}  // namespace

char16_t Cp1252ToUnicode(uint8_t byte) {
    return byte >= 0x80 && byte <= 0x9F ? kHighControls[byte - 0x80] : static_cast<char16_t>(byte);
}

int UnicodeToCp1252(char32_t codePoint) {
    if (codePoint < 0x80 || (codePoint >= 0xA0 && codePoint <= 0xFF)) {
        return static_cast<int>(codePoint);
    }
    for (int k = 0; k < 32; ++k) {
        if (kHighControls[k] == codePoint) {
            return 0x80 + k;
        }
    }
    return -1;
}

size_t Cp1252ToUtf16(const char* text, size_t length, char16_t* out) {
    for (size_t k = 0; k < length; ++k) {
        out[k] = Cp1252ToUnicode(static_cast<uint8_t>(text[k]));
    }
    return length;
}

std::string Cp1252ToUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 4);
    for (char c : text) {
        AppendUtf8(out, Cp1252ToUnicode(static_cast<uint8_t>(c)));
    }
    return out;
}

std::string Utf8ToCp1252(std::string_view text, bool* lossless) {
    // One byte out per code point in, so never longer than the input: written in place, ASCII as it is.
    std::string out(text.size(), '\0');
    size_t length = 0;
    bool allKept = true;
    for (size_t i = 0; i < text.size();) {
        if (static_cast<unsigned char>(text[i]) < 0x80) {
            out[length++] = text[i++];
            continue;
        }
        const int byte = UnicodeToCp1252(NextCodePoint(text, i));
        allKept &= byte >= 0;
        out[length++] = static_cast<char>(byte >= 0 ? byte : '?');
    }
    out.resize(length);
    if (lossless != nullptr) {
        *lossless = allKept;
    }
    return out;
}

}  // namespace kartei
