// The three registry calls the check needs, shaped like their advapi32 ANSI
// originals so that the real adapter is a one-line forward for each.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace runesuka {

// One value below HKEY_CLASSES_ROOT: its key's path and its name ("" for the
// key's default value).
struct ClassesValue {
    std::u16string key;
    std::u16string name;
};

// Registry key handle, pointer-sized as on Windows.
using HKey = std::uintptr_t;

// HKEY_CLASSES_ROOT is (HKEY)(ULONG_PTR)(LONG)0x80000000: the 32-bit value
// sign-extended to pointer width. Built the same way here so that a 64-bit
// build never hands the registry the zero-extended 0x0000000080000000.
inline constexpr HKey kHKeyClassesRoot =
    static_cast<HKey>(static_cast<std::intptr_t>(INT32_MIN));

// Win32 status codes the registry calls return.
inline constexpr std::int32_t kErrorSuccess = 0;
inline constexpr std::int32_t kErrorFileNotFound = 2;
inline constexpr std::int32_t kErrorAccessDenied = 5;
inline constexpr std::int32_t kErrorInvalidHandle = 6;
inline constexpr std::int32_t kErrorInvalidParameter = 87;
inline constexpr std::int32_t kErrorMoreData = 234;

// Value types as the registry stores them.
inline constexpr std::uint32_t kRegSz = 1;
inline constexpr std::uint32_t kRegExpandSz = 2;
inline constexpr std::uint32_t kRegBinary = 3;
inline constexpr std::uint32_t kRegDword = 4;

// Access rights: KEY_READ is all the check needs.
inline constexpr std::uint32_t kKeyQueryValue = 0x0001;
inline constexpr std::uint32_t kKeyRead = 0x20019;
// The registry's views on 64-bit Windows, asked for beside the rights; 32-bit
// Windows has one view and ignores them.
inline constexpr std::uint32_t kKeyWow64_64Key = 0x0100;
inline constexpr std::uint32_t kKeyWow64_32Key = 0x0200;

// 32-bit Windows has one view of the registry; 64-bit Windows a 64-bit and a
// 32-bit one, whose classes its 64-bit programs see below Wow6432Node.
enum class RegistryViews { One, Two };
// The key below which 64-bit tools see the 32-bit view's redirected keys,
// and the redirected key that holds the classes.
inline constexpr std::u16string_view kWow64Node = u"Wow6432Node";
inline constexpr std::u16string_view kClassIds = u"CLSID";

class RegistryApi {
public:
    virtual ~RegistryApi() = default;

    // RegOpenKeyExA: sub-key text in the ANSI code page.
    virtual std::int32_t RegOpenKeyExA(HKey key, const std::string& subKey, std::uint32_t options,
                                       std::uint32_t samDesired, HKey& result) = 0;

    // RegQueryValueExA: `type` may be null; on entry `size` is the capacity
    // of `data`, on return the size stored (or needed, with kErrorMoreData).
    virtual std::int32_t RegQueryValueExA(HKey key, const std::string& valueName, std::uint32_t* type,
                                          std::uint8_t* data, std::uint32_t* size) = 0;

    virtual std::int32_t RegCloseKey(HKey key) = 0;
};

}  // namespace runesuka
