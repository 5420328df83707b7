// Bulk steps of the export reader over many bytes or UTF-16 units at once,
// which is how it keeps up with a plain pass over a file: with SSE2 where the
// processor has it (every x86-64), else eight bytes in a 64-bit word.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#include <emmintrin.h>
#define RUNESUKA_WORD_SCAN_SSE2 1
#ifdef _MSC_VER
#include <intrin.h>
#endif
#endif

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

#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
inline constexpr bool kLittleEndian = false;
#else
inline constexpr bool kLittleEndian = true;
#endif

#ifdef RUNESUKA_WORD_SCAN_SSE2
// The number of the lowest bit set in `mask`, which is not 0.
inline int LowestBit(unsigned mask) {
#ifdef _MSC_VER
    unsigned long bit;
    _BitScanForward(&bit, mask);
    return static_cast<int>(bit);
#else
    return __builtin_ctz(mask);
#endif
}
#endif

// The first of `units` in [p, end), or end.
template <typename... Units>
const char16_t* FindFirstOf(const char16_t* p, const char16_t* end, Units... units) {
#ifdef RUNESUKA_WORD_SCAN_SSE2
    for (; end - p >= 8; p += 8) {
        const __m128i eight = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        __m128i found = _mm_setzero_si128();
        ((found = _mm_or_si128(found, _mm_cmpeq_epi16(eight, _mm_set1_epi16(static_cast<short>(units))))), ...);
        // Two bits of the mask for each unit.
        if (const int mask = _mm_movemask_epi8(found)) return p + LowestBit(static_cast<unsigned>(mask)) / 2;
    }
#else
    for (std::uint64_t four; end - p >= 4; p += 4) {
        std::memcpy(&four, p, sizeof four);
        if ((HasUnit(four, units) || ...)) break;
    }
#endif
    while (p != end && ((*p != units) && ...)) ++p;
    return p;
}

// Copies UTF-16 LE units from `in` to `out` up to a "\r", or a block
// holding one; returns the bytes taken, a whole number of units. `out` has
// room for as many units as `in` has bytes.
inline std::size_t CopyUnitsBeforeCr(const unsigned char* in, std::size_t size, char16_t* out) {
    std::size_t done = 0;
#ifdef RUNESUKA_WORD_SCAN_SSE2
    for (; size - done >= 16; done += 16) {
        const __m128i eight = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + done));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + done / 2), eight);
        if (const int cr = _mm_movemask_epi8(_mm_cmpeq_epi16(eight, _mm_set1_epi16('\r')))) {
            return done + static_cast<std::size_t>(LowestBit(static_cast<unsigned>(cr)));
        }
    }
#else
    for (std::uint64_t four; kLittleEndian && size - done >= 8; done += 8) {
        std::memcpy(&four, in + done, 8);
        if (HasUnit(four, u'\r')) break;
        std::memcpy(out + done / 2, &four, 8);
    }
#endif
    return done;
}

// Widens bytes from `in` to units at `out` up to a byte that is not ASCII or
// is a "\r", or a block holding one; returns the bytes taken. `out` has room
// for as many units as `in` has bytes.
inline std::size_t WidenAsciiBeforeCr(const unsigned char* in, std::size_t size, char16_t* out) {
    std::size_t done = 0;
#ifdef RUNESUKA_WORD_SCAN_SSE2
    const __m128i zero = _mm_setzero_si128();
    for (; size - done >= 16; done += 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + done));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + done), _mm_unpacklo_epi8(bytes, zero));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + done + 8), _mm_unpackhi_epi8(bytes, zero));
        if (const int stop = _mm_movemask_epi8(_mm_or_si128(bytes, _mm_cmpeq_epi8(bytes, _mm_set1_epi8('\r'))))) {
            return done + static_cast<std::size_t>(LowestBit(static_cast<unsigned>(stop)));
        }
    }
#else
    for (std::uint64_t eight; size - done >= 8; done += 8) {
        std::memcpy(&eight, in + done, 8);
        if ((eight & kEachByte << 7) != 0 || HasByte(eight, '\r')) break;
        for (int k = 0; k < 8; ++k) out[done + k] = in[done + k];
    }
#endif
    return done;
}

// The bytes at `in` up to a block holding one that is not ASCII.
inline std::size_t AsciiBlocks(const unsigned char* in, std::size_t size) {
    std::size_t done = 0;
#ifdef RUNESUKA_WORD_SCAN_SSE2
    while (size - done >= 16 && _mm_movemask_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(in + done))) == 0) {
        done += 16;
    }
#else
    for (std::uint64_t eight; size - done >= 8; done += 8) {
        std::memcpy(&eight, in + done, 8);
        if ((eight & kEachByte << 7) != 0) break;
    }
#endif
    return done;
}

}  // namespace runesuka
