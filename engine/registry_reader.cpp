#include "registry_reader.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace runesuka {
namespace {

// Closes the key however the read ends.
class OpenKey {
public:
    OpenKey(RegistryApi& api, HKey key) : api_(api), key_(key) {}
    ~OpenKey() { api_.RegCloseKey(key_); }
    OpenKey(const OpenKey&) = delete;
    OpenKey& operator=(const OpenKey&) = delete;
    HKey get() const { return key_; }

private:
    RegistryApi& api_;
    HKey key_;
};

}  // namespace

RegVariant RegistryReader::RegGetValue(const HKey& lnghInKey, const std::u16string& strSubKey, const std::u16string& strValName,
                                       const std::int32_t& lngType, RegVariant varDefault) const {
    RegVariant result = std::move(varDefault);

    // Read rights only: the machine-wide class keys refuse anything more to a
    // standard user, and a refused open would hide an installed product.
    HKey opened = 0;
    codePage_.ToAnsi(strSubKey, subKey_);
    if (api_.RegOpenKeyExA(lnghInKey, subKey_, 0, kKeyRead, opened) != kErrorSuccess) return result;
    const OpenKey key(api_, opened);
    codePage_.ToAnsi(strValName, valueName_);

    if (lngType == kReadAsText) {
        char buffer[kTextBufferBytes];
        std::uint32_t size = kTextBufferBytes;
        std::uint32_t type = kRegSz;
        if (api_.RegQueryValueExA(key.get(), valueName_, &type, reinterpret_cast<std::uint8_t*>(buffer), &size) ==
            kErrorSuccess) {
            result = codePage_.FromAnsi(TextInBuffer(buffer, size));
        }
    } else if (lngType == kReadAsNumber) {
        std::array<std::uint8_t, 4> bytes{};
        std::uint32_t size = 4;
        std::uint32_t type = kRegDword;
        if (api_.RegQueryValueExA(key.get(), valueName_, &type, bytes.data(), &size) == kErrorSuccess) {
            const std::uint32_t value = bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) |
                                        (static_cast<std::uint32_t>(bytes[3]) << 24);
            result = static_cast<std::int32_t>(value);
        }
    }
    return result;
}

}  // namespace runesuka
