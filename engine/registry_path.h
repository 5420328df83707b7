// Registry paths below a root, components separated by "\\".
#pragma once

#include <string_view>

namespace runesuka {

// Whether `path` is `ancestor` or lies below it; every path lies below "".
inline bool IsAtOrBelow(std::u16string_view path, std::u16string_view ancestor) {
    if (ancestor.empty()) return true;
    if (path.size() < ancestor.size() || path.compare(0, ancestor.size(), ancestor) != 0) return false;
    return path.size() == ancestor.size() || path[ancestor.size()] == u'\\';
}

}  // namespace runesuka
