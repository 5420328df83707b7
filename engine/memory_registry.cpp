#include "memory_registry.h"

#include <algorithm>

#include "ascii_blocks.h"
#include "ascii_text.h"
#include "registry_path.h"

namespace runesuka {

std::vector<std::uint8_t> AnsiTextData(const AnsiCodePage& codePage, const std::u16string& text) {
    const std::string ansi = codePage.ToAnsi(text);
    std::vector<std::uint8_t> data;
    data.reserve(ansi.size() + 1);
    data.assign(ansi.begin(), ansi.end());
    data.push_back(0);
    return data;
}

std::u16string MemoryRegistry::Fold(std::u16string name) {
    for (char16_t& c : name) c = FoldAscii(c);
    return name;
}

// Whether `key` is new: a path not met before, or forgotten by Clear.
bool MemoryRegistry::Make(Key& key) {
    const bool made = !key.exists;
    key.exists = true;
    return made;
}

MemoryRegistry::Key& MemoryRegistry::Create(const std::u16string& foldedPath) {
    Key& key = keys_[foldedPath];
    if (!Make(key)) return key;
    // A key that existed has its parents already; a new one makes those it
    // lacks, from the nearest up.
    for (std::size_t cut = foldedPath.size(); cut > 0;) {
        cut = foldedPath.rfind(u'\\', cut - 1);
        if (cut == std::u16string::npos) break;
        lookup_.assign(foldedPath, 0, cut);
        if (!Make(keys_[lookup_])) break;
    }
    return key;
}

void MemoryRegistry::AddKey(const std::u16string& path) { Create(Fold(path)); }

void MemoryRegistry::MergeFoldedKey(const std::u16string& foldedPath, Values values) {
    Values& stored = Create(foldedPath).values;
    values.merge(stored);  // keeps the new value where both have a name
    stored = std::move(values);
}

void MemoryRegistry::SetRaw(const std::u16string& path, const std::u16string& valueName, std::uint32_t type,
                            std::vector<std::uint8_t> data) {
    Create(Fold(path)).values[Fold(valueName)] = Value{type, std::move(data)};
}

void MemoryRegistry::SetText(const std::u16string& path, const std::u16string& valueName,
                             const std::u16string& text) {
    SetRaw(path, valueName, kRegSz, AnsiTextData(codePage_, text));
}

void MemoryRegistry::SetDword(const std::u16string& path, const std::u16string& valueName, std::uint32_t value) {
    SetRaw(path, valueName, kRegDword,
           {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
            static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)});
}

void MemoryRegistry::RestrictRights(const std::u16string& path, std::uint32_t granted) {
    Create(Fold(path)).granted = granted;
}

void MemoryRegistry::Clear() {
    // The paths stay, so that the next machine's keys take no new storage,
    // unless machines with classes of their own have made them many.
    constexpr std::size_t kPathsKept = 4096;
    if (keys_.size() > kPathsKept) keys_.clear();
    for (auto& path : keys_) path.second = Key();
    handles_.clear();
    views_ = RegistryViews::One;
}

void MemoryRegistry::FoldLookupPath(const std::u16string* parent, const std::string& ansiPath) {
    const std::size_t start = parent == nullptr ? 0 : parent->size() + (ansiPath.empty() ? 0 : 1);
    const std::size_t size = ansiPath.size();
    // Sized first: a path no longer than the last one takes no filling.
    lookup_.resize(start + size);
    if (parent != nullptr) {
        std::copy(parent->begin(), parent->end(), lookup_.begin());
        if (!ansiPath.empty()) lookup_[parent->size()] = u'\\';
    }
    // ASCII is widened and folded in place, in one pass: no text is allocated per lookup.
    if (WidenFoldAscii(reinterpret_cast<const unsigned char*>(ansiPath.data()), size, &lookup_[start])) return;
    lookup_.resize(start);
    lookup_ += Fold(codePage_.FromAnsi(ansiPath));
}

std::int32_t MemoryRegistry::RegOpenKeyExA(HKey key, const std::string& subKey, std::uint32_t,
                                           std::uint32_t samDesired, HKey& result) {
    ++opens_;
    if (key == kHKeyClassesRoot) {
        FoldLookupPath(nullptr, subKey);
        static const std::u16string kClassIdsFolded = Fold(std::u16string(kClassIds));
        static const std::u16string kRedirected = Fold(std::u16string(kWow64Node)) + u'\\';
        if (views_ == RegistryViews::Two && (samDesired & kKeyWow64_32Key) != 0 && IsAtOrBelow(lookup_, kClassIdsFolded)) {
            lookup_.insert(0, kRedirected);
        }
    } else {
        const auto parent = FindHandle(key);
        if (parent == handles_.end()) return kErrorInvalidHandle;
        FoldLookupPath(&parent->second->first, subKey);
    }

    const auto found = keys_.find(lookup_);
    if (found == keys_.end() || !found->second.exists) return kErrorFileNotFound;
    if ((samDesired & ~(found->second.granted | kKeyWow64_64Key | kKeyWow64_32Key)) != 0) return kErrorAccessDenied;
    result = nextHandle_++;
    handles_.emplace_back(result, &*found);
    return kErrorSuccess;
}

std::int32_t MemoryRegistry::RegQueryValueExA(HKey key, const std::string& valueName, std::uint32_t* type,
                                              std::uint8_t* data, std::uint32_t* size) {
    ++queries_;
    const auto handle = FindHandle(key);
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

MemoryRegistry::Handles::const_iterator MemoryRegistry::FindHandle(HKey key) const {
    return std::find_if(handles_.begin(), handles_.end(), [key](const auto& open) { return open.first == key; });
}

std::int32_t MemoryRegistry::RegCloseKey(HKey key) {
    ++closes_;
    const auto handle = FindHandle(key);
    if (handle == handles_.end()) return kErrorInvalidHandle;
    handles_.erase(handle);
    return kErrorSuccess;
}

}  // namespace runesuka
