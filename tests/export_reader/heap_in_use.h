// The bytes the heap holds for the program now, under AddressSanitizer or glibc.
#pragma once

#include <cstddef>

#if defined(__SANITIZE_ADDRESS__)
// AddressSanitizer's own count; GCC ships no header for it.
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#else
#include <malloc.h>
#endif

namespace runesuka::testing {

inline std::size_t HeapInUse() {
#if defined(__SANITIZE_ADDRESS__)
    return __sanitizer_get_current_allocated_bytes();
#else
    return mallinfo2().uordblks;
#endif
}

}  // namespace runesuka::testing
