#pragma once

#include <cstddef>
#include <string>
#include <string_view>

struct UCollator;

namespace kartei::bench {

// The collation of the shipped tables' keys (German, phone-book order, primary strength with case level,
// punctuation not ignorable), opened the way the engine opens it, for UTF-8 text.
class TPhoneBookOrder {
public:
    TPhoneBookOrder();
    ~TPhoneBookOrder();
    TPhoneBookOrder(const TPhoneBookOrder&) = delete;
    TPhoneBookOrder& operator=(const TPhoneBookOrder&) = delete;

    int Compare(const char* a, size_t aLength, const char* b, size_t bLength) const;
    // A byte string that orders (memcmp) and compares equal exactly as Compare does.
    std::string SortKey(std::string_view text) const;

private:
    UCollator* collator_ = nullptr;
};

// One instance for the process.
const TPhoneBookOrder& PhoneBookOrder();

}  // namespace kartei::bench
