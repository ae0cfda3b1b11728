#include "tools/model/ModelValues.h"

#include <limits>
#include <string>

#include "kartei/Field.h"
#include "tools/model/ModelRandom.h"

namespace kartei::tools::model {
namespace {

// cp1252 text: letters that collate alike in the phone-book order, a blank and punctuation.
const std::string kLetters = "AaBbeMmnrZz \xE4\xC4\xF6\xD6\xFC\xDC\xDF-1~";
const std::string kPlainLetters = "ABabmnxyz-0~";
// Names that share prefixes, and in the German locale spell one another.
const std::vector<std::string> kWords = {
    "Bonn",      "Bonna", "Berlin",  "Bern",    "Ber", "Celle", "Dresden", "Essen",     "Fulda",    "Aachen",
    "Ahrweiler", " Ber",  "Ber-lin", "Ber lin", "a",   "A",     "Zwickau", "Z\xFCrich", "z\xFCrich"};
const std::vector<std::string> kGermanWords = {"M\xFCller",
                                               "Mueller",
                                               "Muller",
                                               "M\xDCLLER",
                                               "m\xFCller",
                                               "Stra\xDF"
                                               "e",
                                               "Strasse",
                                               "\xC4hre",
                                               "Ahre",
                                               "Aere",
                                               "\xD6l",
                                               "Oel",
                                               "\xDF",
                                               "ss",
                                               "SS",
                                               "Gro\xDF",
                                               "Gross",
                                               "Gro\xDF"
                                               "e"};
const std::vector<uint8_t> kByteValues = {0x00, 0x00, 0x01, 0x41, 0x7F, 0x80, 0xFE, 0xFF};

// What a String field stores of a text: at most `size` characters, no trailing blanks; empty is null.
TModelValue StoredString(std::string text, uint8_t size) {
    if (text.size() > size) {
        text.resize(size);
    }
    while (!text.empty() && text.back() == ' ') {
        text.pop_back();
    }
    TModelValue value;
    value.Null = text.empty();
    value.Bytes = value.Null ? std::string() : text;
    return value;
}

std::string RandomText(std::mt19937& random, size_t length, const std::string& alphabet) {
    std::string text;
    for (size_t k = 0; k < length; ++k) {
        text += alphabet[Below(random, alphabet.size())];
    }
    return text;
}

}  // namespace

std::vector<TModelValue> TValueSource::Make(std::mt19937& random, const TModelRecord* like) const {
    if (like != nullptr && Chance(random, 0.5)) {
        // A sibling: most values the same, a few others, often null, so that keys share long leading parts
        // and differ where one of them has zero bytes.
        std::vector<TModelValue> values = like->Values;
        for (size_t k = 0; k < fields_.size(); ++k) {
            if (Chance(random, 0.4)) {
                values[k] = Chance(random, 0.4)
                                ? TModelValue{}
                                : MakeOne(random, k, Chance(random, 0.5) ? &like->Values[k] : nullptr);
            }
        }
        return values;
    }
    std::vector<TModelValue> values;
    for (size_t k = 0; k < fields_.size(); ++k) {
        const bool near = like != nullptr && Chance(random, 0.6);
        values.push_back(MakeOne(random, k, near ? &like->Values[k] : nullptr));
    }
    return values;
}

TModelValue TValueSource::MakeOne(std::mt19937& random, size_t field, const TModelValue* like) const {
    const TFieldDescriptor& descriptor = fields_[field];
    if (!descriptor.IsStored()) {
        return {};
    }
    if (like != nullptr && Chance(random, 0.3)) {
        return *like;
    }
    switch (descriptor.FieldType) {
        case FieldType::String:
            return MakeString(random, descriptor.Size, like);
        case FieldType::Bytes:
            return MakeBytes(random, descriptor.Size, like);
        case FieldType::SmallInt:
            return MakeNumber(random, std::numeric_limits<int16_t>::min(),
                              std::numeric_limits<int16_t>::max());
        default:
            return MakeNumber(random, std::numeric_limits<int32_t>::min(),
                              std::numeric_limits<int32_t>::max());
    }
}

TModelValue TValueSource::MakeString(std::mt19937& random, uint8_t size, const TModelValue* like) const {
    const std::string& alphabet = locale_ ? kLetters : kPlainLetters;
    if (Chance(random, 0.08)) {
        return {};
    }
    if (like != nullptr && !like->Null) {
        // A neighbour: the same text with its end changed, cut or lengthened.
        std::string text = like->Bytes;
        switch (Below(random, 3)) {
            case 0:
                text[Below(random, text.size()) / 2 + text.size() / 2] =
                    alphabet[Below(random, alphabet.size())];
                break;
            case 1:
                text.resize(text.size() - std::min(text.size(), Below(random, 4)));
                break;
            default:
                text += RandomText(random, 1 + Below(random, 3), alphabet);
                break;
        }
        return StoredString(text, size);
    }
    switch (Below(random, 4)) {
        case 0: {
            // A long run shared by many values, ending near the declared size.
            static const std::string kRuns =
                "xM\xE4"
                "a";
            const char run = kRuns[Below(random, locale_ ? 4 : 2)];
            const size_t length = size - std::min<size_t>(size, Below(random, 6));
            return StoredString(std::string(length, run) + RandomText(random, 4, alphabet), size);
        }
        case 1: {
            const std::vector<std::string>& words = locale_ && Chance(random, 0.6) ? kGermanWords : kWords;
            return StoredString(words[Below(random, words.size())], size);
        }
        case 2:
            return StoredString(RandomText(random, size, alphabet), size);
        default:
            return StoredString(RandomText(random, 1 + Below(random, 6), alphabet), size);
    }
}

TModelValue TValueSource::MakeBytes(std::mt19937& random, uint8_t size, const TModelValue* like) const {
    TModelValue value;
    if (Chance(random, 0.08)) {
        return value;
    }
    value.Null = false;
    if (like != nullptr && !like->Null) {
        value.Bytes = like->Bytes;
        value.Bytes[Below(random, size)] = static_cast<char>(kByteValues[Below(random, kByteValues.size())]);
        return value;
    }
    // A few leading bytes, then zeros to the end: long runs for trailing compression.
    value.Bytes.assign(size, '\0');
    const size_t used = Chance(random, 0.15) ? size : Below(random, std::min<size_t>(size, 5) + 1);
    for (size_t k = 0; k < used; ++k) {
        value.Bytes[k] = static_cast<char>(kByteValues[Below(random, kByteValues.size())]);
    }
    return value;
}

TModelValue TValueSource::MakeNumber(std::mt19937& random, int32_t low, int32_t high) const {
    TModelValue value;
    if (Chance(random, 0.08)) {
        return value;
    }
    value.Null = false;
    switch (Below(random, 3)) {
        case 0:
            value.Number = Chance(random, 0.5) ? low : high;
            break;
        case 1:
            value.Number = std::uniform_int_distribution<int32_t>(low, high)(random);
            break;
        default:
            value.Number = std::uniform_int_distribution<int32_t>(-2, 2)(random);
            break;
    }
    return value;
}

}  // namespace kartei::tools::model
