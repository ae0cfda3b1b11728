#include "settings/registry/RegValueText.h"

#include <cstdint>

#include "settings/registry/RegUtf16.h"

namespace settings {
namespace {

constexpr char kHexDigits[] = "0123456789abcdef";

void AppendQuoted(std::string& out, std::string_view text) {
    out += '"';
    for (const char c : text) {
        switch (c) {
            case '\\':
                out += "\\\\";
                break;
            case '"':
                out += "\\\"";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\0':
                out += "\\0";
                break;
            default:
                out += c;
        }
    }
    out += '"';
}

void AppendHexByte(std::string& out, uint8_t byte) {
    out += kHexDigits[byte >> 4];
    out += kHexDigits[byte & 0x0F];
}

void AppendHexList(std::string& out, std::string_view bytes) {
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (i > 0) {
            out += ',';
        }
        AppendHexByte(out, static_cast<uint8_t>(bytes[i]));
    }
}

void AppendHexNumber(std::string& out, uint32_t number, int minDigits) {
    int shift = 28;
    while (shift >= 4 * minDigits && (number >> shift) == 0) {
        shift -= 4;
    }
    for (; shift >= 0; shift -= 4) {
        out += kHexDigits[(number >> shift) & 0x0F];
    }
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) {
        return false;
    }
    for (size_t i = 0; i < prefix.size(); ++i) {
        const char c = text[i];
        if ((c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c) != prefix[i]) {
            return false;
        }
    }
    return true;
}

// Reads the quoted text at the start of rest (which starts with '"') and removes it from rest.
std::string TakeQuoted(std::string_view& rest) {
    std::string text;
    for (size_t i = 1; i < rest.size(); ++i) {
        const char c = rest[i];
        if (c == '"') {
            rest.remove_prefix(i + 1);
            return text;
        }
        if (c != '\\') {
            text += c;
            continue;
        }
        if (++i == rest.size()) {
            break;
        }
        switch (rest[i]) {
            case '\\':
            case '"':
                text += rest[i];
                break;
            case 'n':
                text += '\n';
                break;
            case 'r':
                text += '\r';
                break;
            case '0':
                text += '\0';
                break;
            default:
                throw ERegSyntax("ungültige Escape-Sequenz");
        }
    }
    throw ERegSyntax("schließendes Anführungszeichen fehlt");
}

uint32_t HexDigit(char c, const char* reason) {
    if (c >= '0' && c <= '9') {
        return static_cast<uint32_t>(c - '0');
    }
    if ((c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F')) {
        return static_cast<uint32_t>((c | 0x20) - 'a' + 10);
    }
    throw ERegSyntax(reason);
}

uint32_t ParseHexNumber(std::string_view digits, size_t maxDigits, const char* reason) {
    if (digits.empty() || digits.size() > maxDigits) {
        throw ERegSyntax(reason);
    }
    uint32_t number = 0;
    for (const char c : digits) {
        number = number << 4 | HexDigit(c, reason);
    }
    return number;
}

std::string ParseHexList(std::string_view list) {
    std::string bytes;
    list = Trim(list);
    while (!list.empty()) {
        const size_t comma = list.find(',');
        bytes +=
            static_cast<char>(ParseHexNumber(Trim(list.substr(0, comma)), 2, "ungültige Hexadezimaldaten"));
        if (comma == std::string_view::npos) {
            break;
        }
        list.remove_prefix(comma + 1);
        if (list.empty()) {
            throw ERegSyntax("ungültige Hexadezimaldaten");
        }
    }
    return bytes;
}

}  // namespace

std::string FormatRegValueLine(std::string_view name, const TRegValue& value) {
    std::string line;
    if (name.empty()) {
        line += '@';
    } else {
        AppendQuoted(line, name);
    }
    line += '=';
    const std::string_view data = value.Data;
    if (value.Type == kRegSz && !data.empty() && data.back() == '\0') {
        AppendQuoted(line, data.substr(0, data.size() - 1));
    } else if (value.Type == kRegDword && data.size() == 4) {
        uint32_t number = 0;
        for (size_t i = 4; i-- > 0;) {
            number = number << 8 | static_cast<uint8_t>(data[i]);
        }
        line += "dword:";
        AppendHexNumber(line, number, 8);
    } else if (value.Type == kRegBinary) {
        line += "hex:";
        AppendHexList(line, data);
    } else {
        line += "hex(";
        AppendHexNumber(line, value.Type, 1);
        line += "):";
        AppendHexList(line, IsRegStringType(value.Type) ? Utf8ToUtf16Le(data) : std::string(data));
    }
    return line;
}

TRegNamedValue ParseRegValueLine(std::string_view line) {
    TRegNamedValue result;
    std::string_view rest = Trim(line);
    if (!rest.empty() && rest.front() == '@') {
        rest.remove_prefix(1);
    } else if (!rest.empty() && rest.front() == '"') {
        result.Name = TakeQuoted(rest);
    } else {
        throw ERegSyntax("Wertname fehlt");
    }
    rest = Trim(rest);
    if (rest.empty() || rest.front() != '=') {
        throw ERegSyntax("'=' fehlt nach dem Wertnamen");
    }
    rest = Trim(rest.substr(1));
    if (!rest.empty() && rest.front() == '"') {
        result.Value = TRegValue::String(TakeQuoted(rest));
        if (!Trim(rest).empty()) {
            throw ERegSyntax("unerwarteter Text nach dem Wert");
        }
    } else if (rest == "-") {
        throw ERegSyntax("Löscheinträge sind nicht erlaubt");
    } else if (StartsWithNoCase(rest, "dword:")) {
        const uint32_t number = ParseHexNumber(rest.substr(6), 8, "ungültige dword-Zahl");
        result.Value.Type = kRegDword;
        for (int shift = 0; shift < 32; shift += 8) {
            result.Value.Data += static_cast<char>(number >> shift & 0xFF);
        }
    } else if (StartsWithNoCase(rest, "hex:")) {
        result.Value = {kRegBinary, ParseHexList(rest.substr(4))};
    } else if (StartsWithNoCase(rest, "hex(")) {
        const size_t close = rest.find("):");
        if (close == std::string_view::npos) {
            throw ERegSyntax("ungültige Typangabe");
        }
        const uint32_t type = ParseHexNumber(rest.substr(4, close - 4), 8, "ungültige Typangabe");
        std::string bytes = ParseHexList(rest.substr(close + 2));
        result.Value = {type, IsRegStringType(type) ? Utf16LeToUtf8(bytes) : std::move(bytes)};
    } else {
        throw ERegSyntax("unbekannter Werttyp");
    }
    return result;
}

}  // namespace settings
