// ASCII converted sixteen characters at a time, with SSE2 where the
// processor has it (every x86-64): most registry names and paths are ASCII.
#pragma once

#include <cstddef>

#include "ascii_text.h"

#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#include <emmintrin.h>
#define RUNESUKA_SSE2 1
#ifdef _MSC_VER
#include <intrin.h>
#endif
#endif

namespace runesuka {

// Narrows `size` units at `in` to bytes at `out`; whether every unit was
// ASCII (else `out` holds no text).
inline bool NarrowAscii(const char16_t* in, std::size_t size, char* out) {
    std::size_t done = 0;
#ifdef RUNESUKA_SSE2
    const auto block = [&](std::size_t at) {
        const __m128i low = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + at));
        const __m128i high = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + at + 8));
        // A unit from 0x80 to 0x7FFF packs to a byte with its top bit set;
        // one from 0x8000 up has its own top bit set.
        const __m128i bytes = _mm_packus_epi16(low, high);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + at), bytes);
        return (_mm_movemask_epi8(bytes) | _mm_movemask_epi8(_mm_or_si128(low, high))) == 0;
    };
    if (size >= 16) {
        for (; size - done >= 16; done += 16) {
            if (!block(done)) return false;
        }
        // The last units in a block that overlaps the one before.
        return done == size || block(size - 16);
    }
#endif
    char16_t seen = 0;
    for (; done < size; ++done) {
        seen |= in[done];
        out[done] = static_cast<char>(in[done]);
    }
    return seen < 0x80;
}

// Widens `size` bytes at `in` to units at `out`, ASCII capitals made small;
// whether every byte was ASCII.
inline bool WidenFoldAscii(const unsigned char* in, std::size_t size, char16_t* out) {
    std::size_t done = 0;
#ifdef RUNESUKA_SSE2
    const auto block = [&](std::size_t at) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + at));
        const __m128i capitals = _mm_and_si128(_mm_cmpgt_epi8(bytes, _mm_set1_epi8('A' - 1)),
                                               _mm_cmplt_epi8(bytes, _mm_set1_epi8('Z' + 1)));
        const __m128i folded = _mm_add_epi8(bytes, _mm_and_si128(capitals, _mm_set1_epi8('a' - 'A')));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + at), _mm_unpacklo_epi8(folded, _mm_setzero_si128()));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + at + 8), _mm_unpackhi_epi8(folded, _mm_setzero_si128()));
        return _mm_movemask_epi8(bytes) == 0;
    };
    if (size >= 16) {
        for (; size - done >= 16; done += 16) {
            if (!block(done)) return false;
        }
        // The last bytes in a block that overlaps the one before.
        return done == size || block(size - 16);
    }
#endif
    unsigned char seen = 0;
    for (; done < size; ++done) {
        seen |= in[done];
        out[done] = FoldAscii(in[done]);
    }
    return seen < 0x80;
}

}  // namespace runesuka
