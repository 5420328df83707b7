#include "memory_registry.h"

#include <algorithm>

namespace runesuka {

std::u16string MemoryRegistry::Fold(std::u16string name) {
    for (char16_t& c : name) {
        if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
    }
    return name;
}

MemoryRegistry::Key& MemoryRegistry::Create(const std::u16string& path) {
    const std::u16string folded = Fold(path);
    // A key that exists has its parents already.
    const auto existing = keys_.find(folded);
    if (existing != keys_.end()) return existing->second;
    for (std::size_t cut = folded.find(u'\\'); cut != std::u16string::npos; cut = folded.find(u'\\', cut + 1)) {
        keys_[folded.substr(0, cut)];
    }
    return keys_[folded];
}

void MemoryRegistry::AddKey(const std::u16string& path) { Create(path); }

void MemoryRegistry::SetRaw(const std::u16string& path, const std::u16string& valueName, std::uint32_t type,
                            std::vector<std::uint8_t> data) {
    Create(path).values[Fold(valueName)] = Value{type, std::move(data)};
}

void MemoryRegistry::SetText(const std::u16string& path, const std::u16string& valueName,
                             const std::u16string& text) {
    const std::string ansi = codePage_.ToAnsi(text);
    std::vector<std::uint8_t> data(ansi.begin(), ansi.end());
    data.push_back(0);
    SetRaw(path, valueName, kRegSz, std::move(data));
}

void MemoryRegistry::SetDword(const std::u16string& path, const std::u16string& valueName, std::uint32_t value) {
    SetRaw(path, valueName, kRegDword,
           {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
            static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)});
}

void MemoryRegistry::RestrictRights(const std::u16string& path, std::uint32_t granted) {
    Create(path).granted = granted;
}

std::int32_t MemoryRegistry::RegOpenKeyExA(HKey key, const std::string& subKey, std::uint32_t,
                                           std::uint32_t samDesired, HKey& result) {
    ++opens_;
    std::u16string path = Fold(codePage_.FromAnsi(subKey));
    if (key != kHKeyClassesRoot) {
        const auto parent = handles_.find(key);
        if (parent == handles_.end()) return kErrorInvalidHandle;
        path = path.empty() ? parent->second->first : parent->second->first + u'\\' + path;
    }

    const auto found = keys_.find(path);
    if (found == keys_.end()) return kErrorFileNotFound;
    if ((samDesired & ~found->second.granted) != 0) return kErrorAccessDenied;
    result = nextHandle_++;
    handles_.emplace(result, &*found);
    return kErrorSuccess;
}

std::int32_t MemoryRegistry::RegQueryValueExA(HKey key, const std::string& valueName, std::uint32_t* type,
                                              std::uint8_t* data, std::uint32_t* size) {
    ++queries_;
    const auto handle = handles_.find(key);
    if (handle == handles_.end()) return kErrorInvalidHandle;
    const Key& stored = handle->second->second;
    const auto value = stored.values.find(Fold(codePage_.FromAnsi(valueName)));
    if (value == stored.values.end()) return kErrorFileNotFound;

    if (data != nullptr && size == nullptr) return kErrorInvalidParameter;
    const auto needed = static_cast<std::uint32_t>(value->second.data.size());
    if (type != nullptr) *type = value->second.type;
    if (data != nullptr) {
        if (*size < needed) {
            *size = needed;
            return kErrorMoreData;
        }
        std::copy(value->second.data.begin(), value->second.data.end(), data);
    }
    if (size != nullptr) *size = needed;
    return kErrorSuccess;
}

std::int32_t MemoryRegistry::RegCloseKey(HKey key) {
    ++closes_;
    return handles_.erase(key) == 1 ? kErrorSuccess : kErrorInvalidHandle;
}

}  // namespace runesuka
