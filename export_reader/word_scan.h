// Bulk steps of the export reader over many bytes or UTF-16 units at once,
// which is how it keeps up with a plain pass over a file: with SSE2 where the
// processor has it (every x86-64), else eight bytes in a 64-bit word.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "ascii_blocks.h"

namespace runesuka {

inline constexpr std::uint64_t kEachByte = 0x0101010101010101u;
inline constexpr std::uint64_t kEachUnit = 0x0001000100010001u;

inline bool HasUnit(std::uint64_t units, char16_t unit) {
    const std::uint64_t x = units ^ (kEachUnit * unit);
    return ((x - kEachUnit) & ~x & (kEachUnit << 15)) != 0;
}

#ifdef RUNESUKA_SSE2
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
#ifdef RUNESUKA_SSE2
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

// Whether every unit in [p, end) is ASCII.
inline bool AllAscii(const char16_t* p, const char16_t* end) {
#ifdef RUNESUKA_SSE2
    for (; end - p >= 8; p += 8) {
        const __m128i high = _mm_and_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)),
                                           _mm_set1_epi16(static_cast<short>(0xFF80)));
        if (_mm_movemask_epi8(_mm_cmpeq_epi16(high, _mm_setzero_si128())) != 0xFFFF) return false;
    }
#endif
    for (; p != end; ++p) {
        if (*p >= 0x80) return false;
    }
    return true;
}

// Calls `each(at)` for every `mark` in [p, end) before the first `stop`, in
// order; returns the first `stop`, or end.
template <typename Each>
const char16_t* ForEachBefore(const char16_t* p, const char16_t* end, char16_t stop, char16_t mark, Each each) {
#ifdef RUNESUKA_SSE2
    for (; end - p >= 8; p += 8) {
        const __m128i eight = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        // One bit for each unit: the low one of its two.
        const unsigned stops = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi16(eight, _mm_set1_epi16(static_cast<short>(stop))))) & 0x5555u;
        unsigned marks = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi16(eight, _mm_set1_epi16(static_cast<short>(mark))))) & 0x5555u;
        if (stops != 0) marks &= (stops & (0u - stops)) - 1;
        for (; marks != 0; marks &= marks - 1) each(p + LowestBit(marks) / 2);
        if (stops != 0) return p + LowestBit(stops) / 2;
    }
#endif
    for (; p != end && *p != stop; ++p) {
        if (*p == mark) each(p);
    }
    return p;
}

// A "\r" before a "\n" becomes a blank, which the parser takes at the end of
// any line as it takes none there: no block loop has to stop at a line end.
inline constexpr char kCrLfBlank = ' ';

// Copies UTF-16 LE units from `in` to `out`, each "\r" before a "\n" made a
// blank, up to a last "\r" (its next unit is not in `in`) or a last odd
// byte; returns the units copied, each two bytes of `in`.
inline std::size_t CopyUnitLines(const unsigned char* in, std::size_t size, char16_t* out) {
    std::size_t units = 0;
#ifdef RUNESUKA_SSE2
    // Eight units and the one after them at a time.
    for (; size - 2 * units >= 18; units += 8) {
        const __m128i eight = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + 2 * units));
        const __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + 2 * units + 2));
        const __m128i crLf = _mm_and_si128(_mm_cmpeq_epi16(eight, _mm_set1_epi16('\r')),
                                           _mm_cmpeq_epi16(next, _mm_set1_epi16('\n')));
        const __m128i lines = _mm_add_epi16(eight, _mm_and_si128(crLf, _mm_set1_epi16(kCrLfBlank - '\r')));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + units), lines);
    }
#endif
    const auto unitAt = [in](std::size_t unit) { return static_cast<char16_t>(in[2 * unit] | in[2 * unit + 1] << 8); };
    for (; size - 2 * units >= 2; ++units) {
        const char16_t unit = unitAt(units);
        if (unit == u'\r') {
            if (size - 2 * units < 4) break;
            out[units] = unitAt(units + 1) == u'\n' ? kCrLfBlank : u'\r';
            continue;
        }
        out[units] = unit;
    }
    return units;
}

// Widens ASCII bytes from `in` to units at `out`, each "\r" before a "\n"
// made a blank, up to a byte that is not ASCII or a last "\r" (its next byte
// is not in `in`); returns the bytes widened.
inline std::size_t WidenAsciiLines(const unsigned char* in, std::size_t size, char16_t* out) {
    std::size_t done = 0;
#ifdef RUNESUKA_SSE2
    // Sixteen bytes and the one after them at a time.
    for (; size - done >= 17; done += 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + done));
        if (_mm_movemask_epi8(bytes) != 0) break;
        const __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + done + 1));
        const __m128i crLf = _mm_and_si128(_mm_cmpeq_epi8(bytes, _mm_set1_epi8('\r')),
                                           _mm_cmpeq_epi8(next, _mm_set1_epi8('\n')));
        const __m128i lines = _mm_add_epi8(bytes, _mm_and_si128(crLf, _mm_set1_epi8(kCrLfBlank - '\r')));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + done), _mm_unpacklo_epi8(lines, _mm_setzero_si128()));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + done + 8), _mm_unpackhi_epi8(lines, _mm_setzero_si128()));
    }
#endif
    for (; done < size; ++done) {
        const unsigned char byte = in[done];
        if (byte >= 0x80) break;
        if (byte == '\r') {
            if (done + 1 == size) break;
            out[done] = in[done + 1] == '\n' ? kCrLfBlank : u'\r';
            continue;
        }
        out[done] = byte;
    }
    return done;
}

// The units at `p` that are bytes as regedit writes most of them, two
// hexadecimal digits and a comma, taken eight bytes (24 units) at a time: a
// multiple of 24, and 0 without SSE2 (which leaves the parameters unread).
// The units after them are left to be read one at a time.
inline std::size_t HexByteBlocks([[maybe_unused]] const char16_t* p, [[maybe_unused]] const char16_t* end) {
    std::size_t done = 0;
#ifdef RUNESUKA_SSE2
    // Which units of each of a block's three loads are its commas.
    const __m128i commaAt[3] = {_mm_setr_epi16(0, 0, -1, 0, 0, -1, 0, 0), _mm_setr_epi16(-1, 0, 0, -1, 0, 0, -1, 0),
                                _mm_setr_epi16(0, -1, 0, 0, -1, 0, 0, -1)};
    // A unit minus the first of a range, moved by 0x8000, is below 0x8000 + n
    // as a signed number exactly when the unit is one of the range's n.
    const auto inRange = [](__m128i units, short first, short n) {
        const __m128i moved = _mm_sub_epi16(units, _mm_set1_epi16(static_cast<short>(first ^ 0x8000)));
        return _mm_cmplt_epi16(moved, _mm_set1_epi16(static_cast<short>(-0x8000 + n)));
    };
    for (; end - p - static_cast<std::ptrdiff_t>(done) >= 24; done += 24) {
        for (int i = 0; i < 3; ++i) {
            const __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + done + 8 * i));
            const __m128i digit = _mm_or_si128(inRange(units, '0', 10),
                                               inRange(_mm_or_si128(units, _mm_set1_epi16(0x20)), 'a', 6));
            const __m128i comma = _mm_cmpeq_epi16(units, _mm_set1_epi16(','));
            const __m128i right = _mm_or_si128(_mm_and_si128(commaAt[i], comma), _mm_andnot_si128(commaAt[i], digit));
            if (_mm_movemask_epi8(right) != 0xFFFF) return done;
        }
    }
#endif
    return done;
}

// The bytes at `in` up to a block holding one that is not ASCII.
inline std::size_t AsciiBlocks(const unsigned char* in, std::size_t size) {
    std::size_t done = 0;
#ifdef RUNESUKA_SSE2
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
