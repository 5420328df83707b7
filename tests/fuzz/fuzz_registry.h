// Turns a fuzzer input into the registry keys the check probes.
//
// The input is a run of records, each:
//   key     1 byte    which probed key, taken modulo kProbedKeyCount:
//                     0-9   Access.Application.7 .. .16\CLSID
//                     10-19 Excel.Application.7 .. .16\CLSID
//                     20    Access.Application\CurVer
//                     21    Excel.Application\CurVer
//   flags   1 byte    low nibble: the value's registry type;
//                     kKeyOnly: the key alone, no default value;
//                     kRefused: the key refuses the read rights the check asks for
//   length  2 bytes   little-endian, cut to what the input has left
//   data    `length` bytes: the default value's data exactly as RegQueryValueExA
//           hands them out (ANSI bytes, with or without a NUL)
// A later record for a key replaces its value. A header cut short ends the input.
// tests/fuzz/make_corpus.py writes seed inputs in this format.
#pragma once

#include <cstddef>
#include <cstdint>

#include "memory_registry.h"
#include "version_names.h"

namespace runesuka::fuzzing {

inline constexpr int kProbedKeyCount = 2 * kVersionCount + 2;
inline constexpr std::uint8_t kTypeMask = 0x0F;
inline constexpr std::uint8_t kKeyOnly = 0x10;
inline constexpr std::uint8_t kRefused = 0x20;

void LoadRegistry(MemoryRegistry& registry, const std::uint8_t* data, std::size_t size);

}  // namespace runesuka::fuzzing
