// The registry calls of advapi32 behind the engine's interface.
#pragma once

#include "registry_api.h"

namespace runesuka::win32 {

class Advapi32Registry : public RegistryApi {
public:
    std::int32_t RegOpenKeyExA(HKey key, const std::string& subKey, std::uint32_t options, std::uint32_t samDesired,
                               HKey& result) override;
    std::int32_t RegQueryValueExA(HKey key, const std::string& valueName, std::uint32_t* type, std::uint8_t* data,
                                  std::uint32_t* size) override;
    std::int32_t RegCloseKey(HKey key) override;
};

}  // namespace runesuka::win32
