// RegGetValue: one registry value read as text or number, never failing
// outward; any registry failure gives back the caller's default.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "ansi_code_page.h"
#include "registry_api.h"

// <windows.h> maps RegGetValue to its own advapi32 function; the reader's
// member keeps its name wherever both are seen.
#ifdef RegGetValue
#undef RegGetValue
#endif

namespace runesuka {

using RegVariant = std::variant<std::u16string, std::int32_t>;

inline constexpr std::int32_t kReadAsText = 1;
inline constexpr std::int32_t kReadAsNumber = 4;

// Capacity of the text buffer in bytes of the ANSI code page, NUL included.
inline constexpr std::uint32_t kTextBufferBytes = 256;

// The text a read of `size` bytes left in the buffer: it ends at its NUL, and
// data filling the whole buffer without one are taken whole.
inline std::string_view TextInBuffer(const char* buffer, std::uint32_t size) {
    const std::string_view data(buffer, size < kTextBufferBytes ? size : kTextBufferBytes);
    return data.substr(0, data.find('\0'));
}

class RegistryReader {
public:
    RegistryReader(RegistryApi& api, const AnsiCodePage& codePage) : api_(api), codePage_(codePage) {}

    RegVariant RegGetValue(const HKey& lnghInKey, const std::u16string& strSubKey, const std::u16string& strValName,
                           const std::int32_t& lngType, RegVariant varDefault) const;

    // The default value of `subKey` below HKEY_CLASSES_ROOT in the registry's
    // view `view` (kKeyWow64_64Key, kKeyWow64_32Key, or 0 for the program's
    // own), read as RegGetValue reads a text; nothing unless the registry
    // stores it as text (REG_SZ or REG_EXPAND_SZ).
    std::optional<std::u16string> ReadTextIn(std::uint32_t view, const std::u16string& subKey) const;

private:
    RegistryApi& api_;
    const AnsiCodePage& codePage_;
    // The names in the code page, reused: a check makes two dozen reads.
    mutable std::string subKey_;
    mutable std::string valueName_;
};

}  // namespace runesuka
