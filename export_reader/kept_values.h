// The values a reader of registry exports keeps, grouped by key and folded
// once for every file it reads.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "class_keys.h"
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

    // Keys and value names in ASCII, as the check's are. Where `classNaming`
    // names some of those values, the servers of the classes their texts name
    // are kept too.
    explicit KeptValues(const std::vector<ClassesValue>& values, std::vector<ClassesValue> classNaming = {});

    const std::vector<Key>& keys() const { return keys_; }
    // The folded name of value number `value`.
    const std::u16string& name(std::size_t value) const { return names_[value]; }
    std::size_t valueCount() const { return names_.size(); }
    std::size_t longestName() const { return longestName_; }
    // Whether a kept key's path has `size` units: most paths are ruled out by that alone.
    bool HasPathOfSize(std::size_t size) const { return Has(pathSizes_, size); }
    // The number of the key whose path is `folded`, or -1.
    int Find(const std::u16string& folded) const {
        const auto found = numbers_.find(folded);
        return found == numbers_.end() ? -1 : static_cast<int>(found->second);
    }

    // The values whose texts name classes whose servers are kept; none
    // where no server is kept.
    const std::vector<ClassesValue>& classNaming() const { return classNaming_; }
    // The same values, with the server keys of `classes` kept as any other
    // key, and no classes looked for.
    KeptValues WithServerKeys(const std::vector<ClassId>& classes) const;

    // The paths whose presence in the user's tree decides where a key line
    // through HKEY_CLASSES_ROOT goes: every kept key and its parents, and the
    // keys above the classes. The number of `folded` among them, or -1.
    int Tracked(std::u16string_view folded) const;
    const std::vector<std::u16string>& tracked() const { return tracked_; }

private:
    static bool Has(std::uint64_t sizes, std::size_t size) { return (sizes >> (size < 64 ? size : 63) & 1) != 0; }
    void Track(std::u16string path);

    std::vector<ClassesValue> values_;
    std::vector<ClassesValue> classNaming_;
    std::vector<Key> keys_;
    std::unordered_map<std::u16string, std::size_t, PathHash, PathEqual> numbers_;  // by path
    std::vector<std::u16string> names_;
    std::size_t longestName_ = 0;
    std::uint64_t pathSizes_ = 0;  // bit n: a path of n units; bit 63 also: one of 63 or more
    std::vector<std::u16string> tracked_;  // sorted
    std::uint64_t trackedSizes_ = 0;
};

}  // namespace runesuka
