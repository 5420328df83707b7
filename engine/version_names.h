// Version names by version index: the major version number minus 7.
#pragma once

#include <array>
#include <string_view>

namespace runesuka {

inline constexpr int kFirstMajorVersion = 7;
inline constexpr int kVersionCount = 10;

inline constexpr std::array<std::u16string_view, kVersionCount> strVerName = {
    u"95", u"97", u"2000", u"ＸＰ", u"2003", u"2007", u"2008", u"2010", u"2013", u"2016",
};

}  // namespace runesuka
