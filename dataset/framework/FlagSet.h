#pragma once

#include <cstdint>
#include <initializer_list>

namespace kartei {

// A set of enumerators; each enumerator's value is its bit number.
template <typename E>
class TFlagSet {
public:
    constexpr TFlagSet() = default;
    constexpr TFlagSet(std::initializer_list<E> flags) {
        for (E flag : flags) {
            Include(flag);
        }
    }

    constexpr bool Contains(E flag) const { return (bits_ & Bit(flag)) != 0; }
    constexpr void Include(E flag) { bits_ |= Bit(flag); }

    friend constexpr bool operator==(TFlagSet a, TFlagSet b) = default;

private:
    static constexpr uint32_t Bit(E flag) { return uint32_t{1} << static_cast<unsigned>(flag); }

    uint32_t bits_ = 0;
};

}  // namespace kartei
