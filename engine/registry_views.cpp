// Reads in a chosen view of the registry, for the automation servers. The
// window's check reads in none, and links none of this.
#include "registry_reader.h"

namespace runesuka {

std::optional<std::u16string> RegistryReader::ReadTextIn(std::uint32_t view, const std::u16string& subKey) const {
    HKey key = 0;
    codePage_.ToAnsi(subKey, subKey_);
    if (api_.RegOpenKeyExA(kHKeyClassesRoot, subKey_, 0, kKeyRead | view, key) != kErrorSuccess) return std::nullopt;
    char buffer[kTextBufferBytes];
    std::uint32_t size = kTextBufferBytes;
    std::uint32_t type = kRegSz;
    const bool read = api_.RegQueryValueExA(key, std::string(), &type, reinterpret_cast<std::uint8_t*>(buffer), &size) ==
                      kErrorSuccess;
    api_.RegCloseKey(key);
    if (!read || (type != kRegSz && type != kRegExpandSz)) return std::nullopt;
    return codePage_.FromAnsi(TextInBuffer(buffer, size));
}

}  // namespace runesuka
