// The hash and equality of registry paths for tables that hold a few paths, folded.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace runesuka {

// Four UTF-16 units a step: the few paths need spreading, not a hash that
// withstands chosen keys. (A table with std::hash of a string counts that
// as slow, and compares the wanted path with each key while it holds few.)
struct PathHash {
    std::size_t operator()(std::u16string_view path) const {
        constexpr std::uint64_t kMultiplier = 0x9E3779B97F4A7C15u;
        std::uint64_t hash = path.size();
        const char16_t* unit = path.data();
        std::size_t left = path.size();
        for (std::uint64_t four; left >= 4; unit += 4, left -= 4) {
            std::memcpy(&four, unit, sizeof four);
            hash = (hash ^ four) * kMultiplier;
            hash ^= hash >> 29;
        }
        for (; left > 0; ++unit, --left) hash = (hash ^ *unit) * kMultiplier;
        return static_cast<std::size_t>(hash ^ hash >> 32);
    }
};

// Paths compared as the bytes they are: std::char_traits<char16_t> compares
// unit by unit.
struct PathEqual {
    bool operator()(std::u16string_view a, std::u16string_view b) const {
        return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(char16_t)) == 0;
    }
};

}  // namespace runesuka
