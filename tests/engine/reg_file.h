// Loads a REGEDIT4 export of HKEY_CLASSES_ROOT keys into a MemoryRegistry.
#pragma once

#include <string>

#include "memory_registry.h"

namespace runesuka::testing {

// Text values and dword values; throws std::runtime_error on anything else.
void LoadRegFile(MemoryRegistry& registry, const std::string& path);

}  // namespace runesuka::testing
