#include "advapi32_registry.h"

#include <windows.h>

namespace runesuka::win32 {

// The engine's mirror of the registry's handle, types and codes is what advapi32
// takes and returns, on either architecture.
static_assert(sizeof(HKey) == sizeof(HKEY) && sizeof(std::uint32_t) == sizeof(DWORD) &&
              sizeof(std::int32_t) == sizeof(LONG));
static_assert(kErrorSuccess == ERROR_SUCCESS && kErrorFileNotFound == ERROR_FILE_NOT_FOUND &&
              kErrorAccessDenied == ERROR_ACCESS_DENIED && kErrorInvalidHandle == ERROR_INVALID_HANDLE &&
              kErrorInvalidParameter == ERROR_INVALID_PARAMETER && kErrorMoreData == ERROR_MORE_DATA);
static_assert(kRegSz == REG_SZ && kRegBinary == REG_BINARY && kRegDword == REG_DWORD &&
              kKeyQueryValue == KEY_QUERY_VALUE && kKeyRead == KEY_READ);

std::int32_t Advapi32Registry::RegOpenKeyExA(HKey key, const std::string& subKey, std::uint32_t options,
                                             std::uint32_t samDesired, HKey& result) {
    HKEY opened = nullptr;
    const LONG status = ::RegOpenKeyExA(reinterpret_cast<HKEY>(key), subKey.c_str(), options, samDesired, &opened);
    if (status == ERROR_SUCCESS) result = reinterpret_cast<HKey>(opened);
    return status;
}

std::int32_t Advapi32Registry::RegQueryValueExA(HKey key, const std::string& valueName, std::uint32_t* type,
                                                std::uint8_t* data, std::uint32_t* size) {
    DWORD typeOut = type != nullptr ? *type : 0;
    DWORD sizeOut = size != nullptr ? *size : 0;
    const LONG status = ::RegQueryValueExA(reinterpret_cast<HKEY>(key), valueName.c_str(), nullptr,
                                           type != nullptr ? &typeOut : nullptr, data,
                                           size != nullptr ? &sizeOut : nullptr);
    if (type != nullptr) *type = typeOut;
    if (size != nullptr) *size = sizeOut;
    return status;
}

std::int32_t Advapi32Registry::RegCloseKey(HKey key) { return ::RegCloseKey(reinterpret_cast<HKEY>(key)); }

}  // namespace runesuka::win32
