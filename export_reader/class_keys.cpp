#include "class_keys.h"

#include <algorithm>

#include "ascii_text.h"
#include "automation_servers.h"
#include "registry_path.h"

namespace runesuka {

static_assert(IsFoldedFrom(kClassIdsFolded, kClassIds) && IsFoldedFrom(kWow64Folded, kWow64Node) &&
              IsFoldedFrom(kServerFolded, kLocalServer));

ClassId ClassIdOf(std::u16string_view name, bool wow64) {
    ClassId id;
    id.wow64 = wow64;
    int digits = 0;
    for (const char16_t c : name) {
        const int digit = HexDigit(c);
        if (digit < 0) continue;
        std::uint64_t& half = digits++ < 16 ? id.high : id.low;
        half = half << 4 | static_cast<std::uint64_t>(digit);
    }
    return id;
}

std::u16string ServerKeyOf(const ClassId& id) {
    static constexpr char16_t kDigits[] = u"0123456789abcdef";
    std::u16string name = u"{";
    for (int digit = 0; digit < 32; ++digit) {
        if (digit == 8 || digit == 12 || digit == 16 || digit == 20) name += u'-';
        const std::uint64_t half = digit < 16 ? id.high : id.low;
        name += kDigits[half >> (60 - 4 * (digit % 16)) & 0xF];
    }
    name += u'}';
    std::u16string key = id.wow64 ? std::u16string(kWow64Folded) + u'\\' : std::u16string();
    return key.append(kClassIdsFolded).append(1, u'\\').append(name).append(1, u'\\').append(kServerFolded);
}

ClassPlace PlaceOf(std::u16string_view path) {
    ClassPlace place;
    if (path.empty()) {
        place.kind = ClassPlace::Above;
        place.views[0] = place.views[1] = true;
        return place;
    }
    const bool wow64 = IsAtOrBelow(path, kWow64Folded);
    if (wow64) path.remove_prefix(std::min(path.size(), kWow64Folded.size() + 1));
    if (path.empty() || path == kClassIdsFolded) {
        place.kind = ClassPlace::Above;
        place.views[wow64] = true;
        return place;
    }
    if (!IsAtOrBelow(path, kClassIdsFolded)) return place;
    path.remove_prefix(kClassIdsFolded.size() + 1);
    const std::size_t nameEnd = std::min(path.find(u'\\'), path.size());
    if (!IsClassName(path.substr(0, nameEnd))) return place;
    place.kind = ClassPlace::Inside;
    place.id = ClassIdOf(path.substr(0, nameEnd), wow64);
    place.atClass = nameEnd == path.size();
    const std::u16string_view below = path.substr(std::min(nameEnd + 1, path.size()));
    place.inServer = !place.atClass && IsAtOrBelow(below, kServerFolded);
    place.atServer = place.inServer && below.size() == kServerFolded.size();
    return place;
}

}  // namespace runesuka
