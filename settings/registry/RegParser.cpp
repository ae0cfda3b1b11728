#include "settings/registry/RegParser.h"

#include <string>
#include <vector>

#include "settings/SettingsError.h"
#include "settings/registry/RegNames.h"

namespace settings {
namespace {

std::string_view TrimBlanks(std::string_view text) {
    const size_t start = text.find_first_not_of(" \t");
    if (start == std::string_view::npos) {
        return {};
    }
    return text.substr(start, text.find_last_not_of(" \t") - start + 1);
}

std::vector<std::string_view> SplitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    for (size_t start = 0; start < text.size();) {
        const size_t end = std::min(text.find('\n', start), text.size());
        std::string_view line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

class TParser {
public:
    TParser(std::string_view text, std::string_view fileName)
        : lines_(SplitLines(text)), fileName_(fileName) {
        const size_t firstEnd = text.find('\n');
        document_.SetCrLf(firstEnd != std::string_view::npos && firstEnd > 0 && text[firstEnd - 1] == '\r');
    }

    TRegDocument Parse() {
        for (next_ = 0; next_ < lines_.size();) {
            lineNumber_ = next_ + 1;
            try {
                ParseLine(lines_[next_++]);
            } catch (const ERegSyntax& fault) {
                throw ESettingsError("Fehler in der Einstellungsdatei '" + std::string(fileName_) +
                                     "', Zeile " + std::to_string(lineNumber_) + ": " + fault.what());
            }
        }
        return std::move(document_);
    }

private:
    void ParseLine(std::string_view line) {
        const std::string_view content = TrimBlanks(line);
        if (content.empty() || content.front() == ';' ||
            (lineNumber_ == 1 && content == TRegDocument::kSignature)) {
            document_.AppendText(std::string(line));
        } else if (content.front() == '[') {
            ParseSection(line, content);
        } else if (content.front() == '"' || content.front() == '@') {
            ParseValue(line);
        } else {
            throw ERegSyntax("unverständliche Zeile");
        }
    }

    void ParseSection(std::string_view line, std::string_view content) {
        if (content.size() < 2 || content.back() != ']') {
            throw ERegSyntax("']' fehlt am Ende der Schlüsselzeile");
        }
        const std::string_view path = content.substr(1, content.size() - 2);
        if (!path.empty() && path.front() == '-') {
            throw ERegSyntax("Löscheinträge sind nicht erlaubt");
        }
        if (!IsValidRegKeyPath(path)) {
            throw ERegSyntax("ungültiger Schlüsselname");
        }
        if (!document_.AppendSection(std::string(path), std::string(line))) {
            throw ERegSyntax("der Schlüssel steht zum zweiten Mal in der Datei");
        }
    }

    // A value with its continuation lines: each line ending in a backslash continues on the next.
    void ParseValue(std::string_view line) {
        if (!document_.HasSection()) {
            throw ERegSyntax("Wert vor dem ersten Schlüssel");
        }
        std::string text(line);
        std::string logical(TrimBlanks(line));
        while (!logical.empty() && logical.back() == '\\') {
            if (next_ == lines_.size()) {
                throw ERegSyntax("die Fortsetzungszeile fehlt");
            }
            const std::string_view continuation = lines_[next_++];
            logical.pop_back();
            logical += TrimBlanks(continuation);
            text += '\n';
            text += continuation;
        }
        TRegNamedValue value = ParseRegValueLine(logical);
        if (!document_.AppendValue(std::move(value), std::move(text))) {
            throw ERegSyntax("der Wert steht zum zweiten Mal im Schlüssel");
        }
    }

    std::vector<std::string_view> lines_;
    std::string_view fileName_;
    TRegDocument document_;
    size_t next_ = 0;
    size_t lineNumber_ = 0;
};

}  // namespace

TRegDocument ParseRegDocument(std::string_view text, std::string_view fileName) {
    return TParser(text, fileName).Parse();
}

}  // namespace settings
