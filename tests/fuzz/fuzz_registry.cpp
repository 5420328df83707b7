#include "fuzz_registry.h"

#include <algorithm>
#include <string>
#include <vector>

namespace runesuka::fuzzing {
namespace {

constexpr std::size_t kHeaderBytes = 4;
constexpr const char16_t* kProducts[] = {u"Access", u"Excel"};

std::u16string ProbedKey(int index) {
    if (index < 2 * kVersionCount) {
        const std::string major = std::to_string(kFirstMajorVersion + index % kVersionCount);
        return std::u16string(kProducts[index / kVersionCount]) + u".Application." +
               std::u16string(major.begin(), major.end()) + u"\\CLSID";
    }
    return std::u16string(kProducts[index - 2 * kVersionCount]) + u".Application\\CurVer";
}

}  // namespace

void LoadRegistry(MemoryRegistry& registry, const std::uint8_t* data, std::size_t size) {
    while (size >= kHeaderBytes) {
        const std::u16string key = ProbedKey(data[0] % kProbedKeyCount);
        const std::uint8_t flags = data[1];
        const std::size_t length = std::min<std::size_t>(data[2] | (data[3] << 8), size - kHeaderBytes);
        data += kHeaderBytes;
        size -= kHeaderBytes;

        if (flags & kKeyOnly) {
            registry.AddKey(key);
        } else {
            registry.SetRaw(key, u"", flags & kTypeMask, std::vector<std::uint8_t>(data, data + length));
        }
        // Every right but querying values: a read-rights open is refused, as for a locked-down key.
        if (flags & kRefused) registry.RestrictRights(key, ~kKeyQueryValue);
        data += length;
        size -= length;
    }
}

}  // namespace runesuka::fuzzing
