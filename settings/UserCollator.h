#pragma once

#include <memory>
#include <string_view>

struct UCollator;

namespace settings {

// Compares UTF-8 texts without regard to case in the user's locale (ICU's default locale, taken from the
// environment). Comparing allocates nothing.
class TUserCollator {
public:
    TUserCollator();

    // Negative, zero or positive as a sorts before, equal to or after b.
    int Compare(std::string_view a, std::string_view b) const;

private:
    struct TClose {
        void operator()(UCollator* collator) const;
    };
    std::unique_ptr<UCollator, TClose> collator_;
};

}  // namespace settings
