#include "kept_values.h"

#include <algorithm>

#include "memory_registry.h"

namespace runesuka {

KeptValues::KeptValues(const std::vector<ClassesValue>& values) {
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
    }
}

}  // namespace runesuka
