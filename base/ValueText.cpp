#include "base/ValueText.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

#include "base/TextHelpers.h"

namespace kartei {
namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Exactly `count` digits at `text[at]`.
std::optional<int> FixedDigits(std::string_view text, size_t at, size_t count) {
    if (at + count > text.size()) {
        return std::nullopt;
    }
    int value = 0;
    for (size_t k = at; k < at + count; ++k) {
        if (!IsDigit(text[k])) {
            return std::nullopt;
        }
        value = value * 10 + (text[k] - '0');
    }
    return value;
}

// YYYY-MM-DD on an already trimmed text.
std::optional<TDayNumber> DateOf(std::string_view text) {
    if (text.size() != 10 || text[4] != '-' || text[7] != '-') {
        return std::nullopt;
    }
    const auto year = FixedDigits(text, 0, 4);
    const auto month = FixedDigits(text, 5, 2);
    const auto day = FixedDigits(text, 8, 2);
    if (!year || !month || !day || *year < 1 || !IsValidDate(*year, *month, *day)) {
        return std::nullopt;
    }
    return DayNumberFromDate(*year, *month, *day);
}

// HH:MM:SS[.mmm] on an already trimmed text.
std::optional<TTimeOfDay> TimeOf(std::string_view text) {
    if (text.size() < 8 || text[2] != ':' || text[5] != ':') {
        return std::nullopt;
    }
    const auto hour = FixedDigits(text, 0, 2);
    const auto minute = FixedDigits(text, 3, 2);
    const auto second = FixedDigits(text, 6, 2);
    if (!hour || !minute || !second || *hour > 23 || *minute > 59 || *second > 59) {
        return std::nullopt;
    }
    int milliseconds = 0;
    if (text.size() > 8) {
        const size_t digits = text.size() - 9;
        if (text[8] != '.' || digits < 1 || digits > 3) {
            return std::nullopt;
        }
        const auto fraction = FixedDigits(text, 9, digits);
        if (!fraction) {
            return std::nullopt;
        }
        milliseconds = *fraction * (digits == 1 ? 100 : digits == 2 ? 10 : 1);
    }
    return TTimeOfDay{((*hour * 60 + *minute) * 60 + *second) * 1000 + milliseconds};
}

// from_chars takes no leading '+'; allow one in front of a digit or a point.
std::string_view WithoutPlusSign(std::string_view text) {
    if (text.size() > 1 && text[0] == '+' && (IsDigit(text[1]) || text[1] == '.')) {
        text.remove_prefix(1);
    }
    return text;
}

// The sign and the whole part of a value times 10000, and the four places as a number.
struct TBcdParts {
    std::string Whole;
    uint64_t Places;
};

TBcdParts SplitBcd(int64_t scaledValue) {
    // The magnitude as unsigned, so the smallest int64 has one too.
    const uint64_t magnitude =
        scaledValue < 0 ? 0 - static_cast<uint64_t>(scaledValue) : static_cast<uint64_t>(scaledValue);
    return {(scaledValue < 0 ? "-" : "") + std::to_string(magnitude / 10000), magnitude % 10000};
}

}  // namespace

std::optional<TDayNumber> ParseDateText(std::string_view text) {
    return DateOf(TrimBlanks(text));
}

std::optional<TTimeOfDay> ParseTimeText(std::string_view text) {
    return TimeOf(TrimBlanks(text));
}

std::optional<TTimeStamp> ParseDateTimeText(std::string_view text) {
    text = TrimBlanks(text);
    if (const auto day = DateOf(text)) {
        return TimeStampOf({*day, {}});
    }
    if (const auto time = TimeOf(text)) {
        return TimeStampOf({{}, *time});
    }
    if (text.size() > 11 && (text[10] == ' ' || text[10] == 'T')) {
        const auto day = DateOf(text.substr(0, 10));
        const auto time = TimeOf(text.substr(11));
        if (day && time) {
            return TimeStampOf({*day, *time});
        }
    }
    return std::nullopt;
}

std::optional<bool> ParseBooleanText(std::string_view text) {
    text = TrimBlanks(text);
    if (EqualsIgnoreAsciiCase(text, "true")) {
        return true;
    }
    if (EqualsIgnoreAsciiCase(text, "false")) {
        return false;
    }
    return std::nullopt;
}

std::optional<int64_t> ParseIntegerText(std::string_view text) {
    text = WithoutPlusSign(TrimBlanks(text));
    int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

std::optional<double> ParseFloatText(std::string_view text) {
    text = WithoutPlusSign(TrimBlanks(text));
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

std::optional<int64_t> ParseCurrencyText(std::string_view text) {
    text = TrimBlanks(text);
    const bool negative = !text.empty() && text[0] == '-';
    if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
        text.remove_prefix(1);
    }
    // The magnitude is gathered as a negative number: that side of int64 is one larger.
    int64_t scaled = 0;
    size_t places = 0;
    bool seenPoint = false;
    bool seenDigit = false;
    bool roundAway = false;
    for (const char c : text) {
        if (c == '.' && !seenPoint) {
            seenPoint = true;
            continue;
        }
        if (!IsDigit(c)) {
            return std::nullopt;
        }
        seenDigit = true;
        if (seenPoint && places == 4) {
            roundAway = c >= '5';
            ++places;
        } else if (!seenPoint || places < 4) {
            if (__builtin_mul_overflow(scaled, 10, &scaled) ||
                __builtin_sub_overflow(scaled, c - '0', &scaled)) {
                return std::nullopt;
            }
            places += seenPoint ? 1 : 0;
        }
    }
    if (!seenDigit) {
        return std::nullopt;
    }
    for (; places < 4; ++places) {
        if (__builtin_mul_overflow(scaled, 10, &scaled)) {
            return std::nullopt;
        }
    }
    if (roundAway && __builtin_sub_overflow(scaled, 1, &scaled)) {
        return std::nullopt;
    }
    if (negative) {
        return scaled;
    }
    if (scaled == std::numeric_limits<int64_t>::min()) {
        return std::nullopt;
    }
    return -scaled;
}

std::string DateText(TDayNumber day) {
    const TCalendarDate date = DateFromDayNumber(day);
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", date.Year, date.Month, date.Day);
    return text;
}

std::string TimeText(TTimeOfDay time, TTimeForm form) {
    const int32_t milliseconds = time.Milliseconds;
    const int32_t seconds = milliseconds / 1000;
    char text[48];
    if (form == TTimeForm::Shortest && milliseconds % 1000 == 0) {
        std::snprintf(text, sizeof text, "%02d:%02d:%02d", seconds / 3600, seconds / 60 % 60, seconds % 60);
    } else {
        std::snprintf(text, sizeof text, "%02d:%02d:%02d.%03d", seconds / 3600, seconds / 60 % 60,
                      seconds % 60, milliseconds % 1000);
    }
    return text;
}

std::string DateTimeText(TTimeStamp stamp, TTimeForm form) {
    const TDayAndTime parts = SplitTimeStamp(stamp);
    std::string text = DateText(parts.Day);
    if (form == TTimeForm::Full || parts.Time.Milliseconds != 0) {
        text += ' ';
        text += TimeText(parts.Time, form);
    }
    return text;
}

std::string BooleanText(bool value) {
    return value ? "True" : "False";
}

std::string IntegerText(int64_t value) {
    return std::to_string(value);
}

std::string FloatText(double value, TFloatForm form) {
    char text[64];
    std::to_chars_result result{};
    if (form == TFloatForm::Shortest) {
        result = std::to_chars(text, text + sizeof text, value);
    } else {
        const double magnitude = std::fabs(value);
        const bool plain = magnitude == 0 || (magnitude >= 1e-5 && magnitude < 1e15);
        result = std::to_chars(text, text + sizeof text, value,
                               plain ? std::chars_format::fixed : std::chars_format::general);
    }
    return std::string(text, result.ptr);
}

std::string BcdText(int64_t scaledValue) {
    TBcdParts parts = SplitBcd(scaledValue);
    std::string text = std::move(parts.Whole);
    if (parts.Places != 0) {
        int digits = 4;
        for (; parts.Places % 10 == 0; parts.Places /= 10) {
            --digits;
        }
        char fraction[8];
        std::snprintf(fraction, sizeof fraction, ".%0*llu", digits,
                      static_cast<unsigned long long>(parts.Places));
        text += fraction;
    }
    return text;
}

std::string BcdText(int64_t scaledValue, uint8_t places) {
    TBcdParts parts = SplitBcd(scaledValue);
    std::string text = std::move(parts.Whole);
    if (places > 0) {
        std::string fraction = std::to_string(parts.Places + 10000).substr(1);
        fraction.resize(places, '0');
        text += "." + fraction;
    }
    return text;
}

}  // namespace kartei
