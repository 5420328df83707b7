// Where the classes whose servers the reader keeps lie in a folded path below
// the class keys: CLSID\{…} and its LocalServer32 in the 64-bit view, and the
// same below Wow6432Node in the 32-bit one.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace runesuka {

// The keys' names, folded.
inline constexpr std::u16string_view kClassIdsFolded = u"clsid";
inline constexpr std::u16string_view kWow64Folded = u"wow6432node";
inline constexpr std::u16string_view kServerFolded = u"localserver32";

// A class in one view of the registry, by its name's 128 bits: small, as the
// reader may keep thousands.
struct ClassId {
    std::uint64_t high = 0;
    std::uint64_t low = 0;
    bool wow64 = false;  // below Wow6432Node: the 32-bit view's
    bool operator<(const ClassId& other) const {
        return wow64 != other.wow64 ? other.wow64 : high != other.high ? high < other.high : low < other.low;
    }
    bool operator==(const ClassId& other) const { return !(*this < other) && !(other < *this); }
};

// The class of `name`, a class name in braces (IsClassName).
ClassId ClassIdOf(std::u16string_view name, bool wow64);
// The folded path of its server key: "clsid\{…}\localserver32", below
// "wow6432node\" in the 32-bit view.
std::u16string ServerKeyOf(const ClassId& id);

// Where a folded path lies among the classes.
struct ClassPlace {
    enum Kind { None, Above, Inside } kind = None;
    bool views[2] = {};     // above: the classes of the 64-bit and of the 32-bit view
    ClassId id;             // inside: the class
    bool atClass = false;   // the class key itself
    bool inServer = false;  // its LocalServer32 key or one below it
    bool atServer = false;  // its LocalServer32 key itself
};
ClassPlace PlaceOf(std::u16string_view folded);

}  // namespace runesuka
