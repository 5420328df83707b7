// Looks for a byte or a UTF-16 unit in eight bytes at once, which is how the
// export reader keeps up with a plain pass over a file.
#pragma once

#include <cstdint>
#include <cstring>

namespace runesuka {

inline constexpr std::uint64_t kEachByte = 0x0101010101010101u;
inline constexpr std::uint64_t kEachUnit = 0x0001000100010001u;

inline bool HasByte(std::uint64_t bytes, unsigned char byte) {
    const std::uint64_t x = bytes ^ (kEachByte * byte);
    return ((x - kEachByte) & ~x & (kEachByte << 7)) != 0;
}

inline bool HasUnit(std::uint64_t units, char16_t unit) {
    const std::uint64_t x = units ^ (kEachUnit * unit);
    return ((x - kEachUnit) & ~x & (kEachUnit << 15)) != 0;
}

// The first `unit` in [p, end), or end.
inline const char16_t* FindUnit(const char16_t* p, const char16_t* end, char16_t unit) {
    for (std::uint64_t four; end - p >= 4; p += 4) {
        std::memcpy(&four, p, sizeof four);
        if (HasUnit(four, unit)) break;
    }
    while (p != end && *p != unit) ++p;
    return p;
}

}  // namespace runesuka
