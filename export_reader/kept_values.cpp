#include "kept_values.h"

#include <algorithm>

#include "memory_registry.h"

namespace runesuka {

KeptValues::KeptValues(const std::vector<ClassesValue>& values, std::vector<ClassesValue> classNaming)
    : values_(values), classNaming_(std::move(classNaming)) {
    std::vector<std::u16string> paths;
    for (const ClassesValue& value : values) {
        const std::u16string path = MemoryRegistry::Fold(value.key);
        if (std::find(paths.begin(), paths.end(), path) == paths.end()) paths.push_back(path);
    }
    for (const std::u16string& path : paths) {
        numbers_.emplace(path, keys_.size());
        keys_.push_back({path, names_.size(), 0});
        pathSizes_ |= std::uint64_t{1} << (path.size() < 64 ? path.size() : 63);
        for (const ClassesValue& value : values) {
            if (MemoryRegistry::Fold(value.key) != path) continue;
            names_.push_back(MemoryRegistry::Fold(value.name));
            ++keys_.back().count;
            longestName_ = std::max(longestName_, value.name.size());
        }
        for (std::size_t cut = 0; cut != std::u16string::npos; cut = path.find(u'\\', cut + 1)) {
            Track(path.substr(0, cut));
        }
        Track(path);
    }
    if (!classNaming_.empty()) {
        const std::u16string classIds(kClassIdsFolded);
        const std::u16string wow64(kWow64Folded);
        for (const std::u16string& path : {std::u16string(), classIds, wow64, wow64 + u'\\' + classIds}) Track(path);
    }
    std::sort(tracked_.begin(), tracked_.end());
}

void KeptValues::Track(std::u16string path) {
    if (std::find(tracked_.begin(), tracked_.end(), path) != tracked_.end()) return;
    trackedSizes_ |= std::uint64_t{1} << (path.size() < 64 ? path.size() : 63);
    tracked_.push_back(std::move(path));
}

int KeptValues::Tracked(std::u16string_view folded) const {
    if (!Has(trackedSizes_, folded.size())) return -1;
    const auto found = std::lower_bound(tracked_.begin(), tracked_.end(), folded,
                                        [](const std::u16string& path, std::u16string_view text) { return path < text; });
    return found != tracked_.end() && *found == folded ? static_cast<int>(found - tracked_.begin()) : -1;
}

KeptValues KeptValues::WithServerKeys(const std::vector<ClassId>& classes) const {
    std::vector<ClassesValue> values = values_;
    for (const ClassId& id : classes) values.push_back({ServerKeyOf(id), u""});
    return KeptValues(values);
}

}  // namespace runesuka
