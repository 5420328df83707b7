// The values a reader of registry exports keeps, grouped by key and folded
// once for every file it reads.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "path_hash.h"
#include "registry_api.h"

namespace runesuka {

class KeptValues {
public:
    struct Key {
        std::u16string path;  // folded
        std::size_t first;    // its values' numbers: [first, first + count)
        std::size_t count;
    };

    // Keys and value names in ASCII, as the check's are.
    explicit KeptValues(const std::vector<ClassesValue>& values);

    const std::vector<Key>& keys() const { return keys_; }
    // The folded name of value number `value`.
    const std::u16string& name(std::size_t value) const { return names_[value]; }
    std::size_t valueCount() const { return names_.size(); }
    std::size_t longestName() const { return longestName_; }
    // Whether a kept key's path has `size` units: most paths are ruled out by that alone.
    bool HasPathOfSize(std::size_t size) const { return (pathSizes_ >> (size < 64 ? size : 63) & 1) != 0; }
    // The number of the key whose path is `folded`, or -1.
    int Find(const std::u16string& folded) const {
        const auto found = numbers_.find(folded);
        return found == numbers_.end() ? -1 : static_cast<int>(found->second);
    }

private:
    std::vector<Key> keys_;
    std::unordered_map<std::u16string, std::size_t, PathHash, PathEqual> numbers_;  // by path
    std::vector<std::u16string> names_;
    std::size_t longestName_ = 0;
    std::uint64_t pathSizes_ = 0;  // bit n: a path of n units; bit 63 also: one of 63 or more
};

}  // namespace runesuka
