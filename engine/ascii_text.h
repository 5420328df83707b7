// ASCII text, as registry names mostly are, reads the same in every code page
// the program meets (CP932, UTF-8, UTF-16), so it can skip the conversion; and
// registry names compare without the case of ASCII letters alone.
#pragma once

#include <cstddef>
#include <string_view>

#include <type_traits>

namespace runesuka {

// One plain OR over the text, which the compiler turns into vector code.
template <typename Text>
bool IsAscii(const Text& text) {
    using Unit = std::make_unsigned_t<typename Text::value_type>;
    Unit seen = 0;
    for (const auto c : text) seen |= static_cast<Unit>(c);
    return seen < 0x80;
}

// A unit of a registry name as names compare: ASCII capitals made small.
constexpr char16_t FoldAscii(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c; }

// Whether `text` is `folded` but for the case of ASCII letters.
inline bool EqualsFolded(std::u16string_view text, std::u16string_view folded) {
    if (text.size() != folded.size()) return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (FoldAscii(text[i]) != folded[i]) return false;
    }
    return true;
}

// The value of each ASCII hexadecimal digit, -1 for any other character.
inline constexpr struct HexDigits {
    signed char value[128];
    constexpr HexDigits() : value() {
        for (int c = 0; c < 128; ++c) {
            value[c] = static_cast<signed char>(c >= '0' && c <= '9'   ? c - '0'
                                                : c >= 'a' && c <= 'f' ? c - 'a' + 10
                                                : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                                       : -1);
        }
    }
} kHexDigits;

inline int HexDigit(char16_t c) { return c < 128 ? kHexDigits.value[c] : -1; }

// Whether `folded` is `name` folded: names the reader keeps folded are
// checked against the engine's at compile time.
constexpr bool IsFoldedFrom(std::u16string_view folded, std::u16string_view name) {
    if (folded.size() != name.size()) return false;
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (folded[i] != FoldAscii(name[i])) return false;
    }
    return true;
}

}  // namespace runesuka
