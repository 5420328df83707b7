// An in-memory HKEY_CLASSES_ROOT whose three calls answer as advapi32's ANSI
// calls do: for tests, and for running the check where no registry exists.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "ansi_code_page.h"
#include "path_hash.h"
#include "registry_api.h"

namespace runesuka {

// A REG_SZ value's data as RegQueryValueExA hands them out: the text in the
// ANSI code page with its terminating NUL.
std::vector<std::uint8_t> AnsiTextData(const AnsiCodePage& codePage, const std::u16string& text);

class MemoryRegistry : public RegistryApi {
public:
    struct Value {
        std::uint32_t type;
        std::vector<std::uint8_t> data;
    };
    using Values = std::map<std::u16string, Value>;  // by folded name

    explicit MemoryRegistry(const AnsiCodePage& codePage) : codePage_(codePage) {}

    // Paths are below HKEY_CLASSES_ROOT, components separated by "\"; parent
    // keys come into being with their children, as in the real registry.
    void AddKey(const std::u16string& path);
    // Data as RegQueryValueExA hands them out: ANSI bytes, stored type.
    void SetRaw(const std::u16string& path, const std::u16string& valueName, std::uint32_t type,
                std::vector<std::uint8_t> data);
    // A REG_SZ value: the text in the ANSI code page with its terminating NUL.
    void SetText(const std::u16string& path, const std::u16string& valueName, const std::u16string& text);
    void SetDword(const std::u16string& path, const std::u16string& valueName, std::uint32_t value);
    // A key whose path and value names are folded already, with its values;
    // they replace the key's values of the same names.
    void MergeFoldedKey(const std::u16string& foldedPath, Values values);
    // Opening `path` with any right beyond `granted` is refused, as the
    // machine-wide class keys refuse write rights to a standard user.
    void RestrictRights(const std::u16string& path, std::uint32_t granted);
    // Forgets every key and handle, keeping the storage for the next machine.
    void Clear();
    // With two views, an open in the 32-bit view (kKeyWow64_32Key) of a class
    // key below CLSID finds it below Wow6432Node\CLSID, as on 64-bit Windows;
    // with one, the view asked for makes no difference. One until set.
    void SetViews(RegistryViews views) { views_ = views; }
    RegistryViews views() const { return views_; }

    std::int32_t RegOpenKeyExA(HKey key, const std::string& subKey, std::uint32_t options,
                               std::uint32_t samDesired, HKey& result) override;
    std::int32_t RegQueryValueExA(HKey key, const std::string& valueName, std::uint32_t* type,
                                  std::uint8_t* data, std::uint32_t* size) override;
    std::int32_t RegCloseKey(HKey key) override;

    // What the calls have done so far, for checking the reader's discipline.
    int opens() const { return opens_; }
    int closes() const { return closes_; }
    int queries() const { return queries_; }
    std::size_t openHandles() const { return handles_.size(); }

    // Registry names compare without regard to ASCII case.
    static std::u16string Fold(std::u16string name);

private:
    struct Key {
        Values values;
        std::uint32_t granted = ~0u;
        bool exists = false;  // a path that Clear forgot keeps its place without existing
    };

    // Found by hash: opening a key is what a check does most. Elements keep
    // their place when the table grows, so handles can point at them.
    using Keys = std::unordered_map<std::u16string, Key, PathHash, PathEqual>;
    // Open handles and their keys; a check holds one or two at a time.
    using Handles = std::vector<std::pair<HKey, const Keys::value_type*>>;

    Key& Create(const std::u16string& foldedPath);
    static bool Make(Key& key);
    // `ansiPath` below `parent` as a folded path, in lookup_.
    void FoldLookupPath(const std::u16string* parent, const std::string& ansiPath);
    Handles::const_iterator FindHandle(HKey key) const;

    const AnsiCodePage& codePage_;
    Keys keys_;  // by folded full path
    Handles handles_;
    std::u16string lookup_;  // the path being looked up, reused so that lookups allocate nothing
    RegistryViews views_ = RegistryViews::One;
    HKey nextHandle_ = 0x1000;
    int opens_ = 0;
    int closes_ = 0;
    int queries_ = 0;
};

}  // namespace runesuka
