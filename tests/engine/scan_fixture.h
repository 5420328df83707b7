// Registry scenarios written as data: which versions of a product have a
// CLSID, and what its CurVer says.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "check_sequence.h"
#include "iconv_code_page.h"
#include "memory_registry.h"
#include "registry_reader.h"

namespace runesuka::testing {

inline const std::u16string kAccessClsid = u"{73A4C9C1-D68D-11D0-98BF-00A0C90DC8D9}";
inline const std::u16string kExcelClsid = u"{00024500-0000-0000-C000-000000000046}";

struct Installed {
    std::u16string product;
    std::vector<int> majorVersions;
    std::optional<std::u16string> curVer;
};

class ScanFixture {
public:
    void Install(const Installed& installed) {
        const std::u16string& clsid = installed.product == u"Access" ? kAccessClsid : kExcelClsid;
        for (const int major : installed.majorVersions) {
            const std::string number = std::to_string(major);
            registry.SetText(installed.product + u".Application." + std::u16string(number.begin(), number.end()) +
                                 u"\\CLSID",
                             u"", clsid);
        }
        if (installed.curVer) registry.SetText(installed.product + u".Application\\CurVer", u"", *installed.curVer);
    }

    IconvCodePage cp932{"CP932"};
    MemoryRegistry registry{cp932};
    RegistryReader reader{registry, cp932};
};

}  // namespace runesuka::testing
