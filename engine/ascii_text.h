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
