#include "product_scan.h"

#include <limits>

#include "version_names.h"

namespace runesuka {
namespace {

constexpr std::u16string_view kVersionSeparator = u" と ";
constexpr std::u16string_view kInstalledJoin = u"　は　";
constexpr std::u16string_view kNotInstalled = u" がインストールされていません。";
constexpr std::u16string_view kLastUsedPrefix = u"最終使用は ";
constexpr std::u16string_view kUnknownVersion = u"不明";
constexpr std::u16string_view kLineBreak = u"\r\n";

struct ProductName {
    std::u16string_view product;
    std::u16string_view katakana;
};
constexpr ProductName kProductNames[] = {
    {u"Access", u" ア ク セ ス"},
    {u"Excel", u"エクセル"},
};

std::u16string DecimalText(int value) {
    char16_t digits[12];
    char16_t* const end = digits + 12;
    char16_t* first = end;
    unsigned magnitude = value < 0 ? 0u - static_cast<unsigned>(value) : static_cast<unsigned>(value);
    do {
        *--first = static_cast<char16_t>(u'0' + magnitude % 10);
    } while ((magnitude /= 10) != 0);
    if (value < 0) *--first = u'-';
    return std::u16string(first, end);
}

// The tail as a 16-bit integer: an optional sign and decimal digits only.
std::optional<std::int16_t> ParseInt16(std::u16string_view text) {
    bool negative = false;
    if (!text.empty() && (text.front() == u'-' || text.front() == u'+')) {
        negative = text.front() == u'-';
        text.remove_prefix(1);
    }
    if (text.empty()) return std::nullopt;
    long value = 0;
    for (const char16_t c : text) {
        if (c < u'0' || c > u'9') return std::nullopt;
        value = value * 10 + (c - u'0');
        if (value > 32768) return std::nullopt;
    }
    if (negative) value = -value;
    if (value > std::numeric_limits<std::int16_t>::max()) return std::nullopt;
    return static_cast<std::int16_t>(value);
}

// Every read is of a key's default value.
const std::u16string kReadValueName;

constexpr std::u16string_view kApplicationClass = u".Application.";
constexpr std::u16string_view kClsidKey = u"\\CLSID";

// The key of a version's class, into `key`: reused, since the scan reads ten.
void VersionKey(const std::u16string& strProduct, int index, std::u16string& key) {
    key.assign(strProduct).append(kApplicationClass).append(DecimalText(index + kFirstMajorVersion)).append(kClsidKey);
}

std::u16string CurVerKey(const std::u16string& strProduct) { return strProduct + u".Application\\CurVer"; }

std::u16string ReadText(const RegistryReader& registry, const std::u16string& subKey) {
    static const std::int32_t kType = kReadAsText;
    RegVariant value = registry.RegGetValue(kHKeyClassesRoot, subKey, kReadValueName, kType, std::u16string());
    // Every read asks for text with a text default, so a number never comes back.
    return std::get<std::u16string>(std::move(value));
}

}  // namespace

std::vector<ClassesValue> ScannedValues(const std::u16string& strProduct) {
    std::vector<ClassesValue> values;
    for (int index = 0; index < kVersionCount; ++index) {
        values.push_back({{}, kReadValueName});
        VersionKey(strProduct, index, values.back().key);
    }
    values.push_back({CurVerKey(strProduct), kReadValueName});
    return values;
}

std::optional<std::u16string> VersionNameFromProgId(const std::u16string& strProgId, std::int16_t& intIdx) {
    const std::size_t dot = strProgId.rfind(u'.');
    const std::u16string_view numberText =
        dot == std::u16string::npos ? std::u16string_view() : std::u16string_view(strProgId).substr(dot + 1);
    const std::optional<std::int16_t> number = ParseInt16(numberText);
    if (!number) return std::nullopt;

    // Version 6 is taken one index lower than the others.
    const int index = *number - (*number == 6 ? 8 : 7);
    if (index < std::numeric_limits<std::int16_t>::min()) return std::nullopt;
    intIdx = static_cast<std::int16_t>(index);
    if (index < 0 || index >= kVersionCount) return std::u16string(kUnknownVersion);
    return std::u16string(strVerName[static_cast<std::size_t>(index)]);
}

std::vector<int> CheckProduct(const RegistryReader& registry, FormFields& form, const std::u16string& strProduct,
                              const ProductFields& fields, std::u16string& strIdx) {
    std::u16string versionList;
    std::vector<int> found;

    std::u16string subKey;
    for (int index = 0; index < kVersionCount; ++index) {
        VersionKey(strProduct, index, subKey);
        if (ReadText(registry, subKey).empty()) continue;
        strIdx = DecimalText(index);
        if (!found.empty()) versionList += kVersionSeparator;
        versionList += strVerName[static_cast<std::size_t>(index)];
        found.push_back(index + kFirstMajorVersion);
    }

    if (!found.empty()) {
        form.SetText(fields.fieldVersions, strProduct + std::u16string(kInstalledJoin) + versionList +
                                               std::u16string(kLineBreak));
        if (found.size() > 1) {
            form.SetVisible(fields.frameMulti, true);
            const std::u16string curVer = ReadText(registry, CurVerKey(strProduct));
            std::int16_t lastUsed = 0;
            const std::optional<std::u16string> name =
                curVer.empty() ? std::nullopt : VersionNameFromProgId(curVer, lastUsed);
            // A pointer that names no version number reads like a missing one.
            form.SetText(fields.fieldLastUsed, std::u16string(kLastUsedPrefix) +
                                                   (name ? *name : std::u16string(kUnknownVersion)));
            if (name) strIdx = DecimalText(lastUsed);
        }
    } else {
        form.SetVisible(fields.imageMark, false);
        form.SetText(fields.fieldVersions, strProduct + std::u16string(kNotInstalled) + std::u16string(kLineBreak));
        strIdx = u"-";
    }

    for (const ProductName& entry : kProductNames) {
        if (strProduct == entry.product) form.SetText(fields.fieldName, std::u16string(entry.katakana));
    }
    return found;
}

}  // namespace runesuka
