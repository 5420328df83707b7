#include "machine_type.h"

#include <algorithm>
#include <iterator>
#include <string_view>

#include "advice_texts.h"

namespace runesuka {
namespace {

constexpr std::u16string_view kTypePrefix = u"ﾀｲﾌﾟ ";
constexpr std::u16string_view kUndetermined = u"不 明";
constexpr char16_t kNotInstalledMark = u'-';
constexpr float kTypeFoundFontSize = 13;
constexpr float kNotInstallableFontSize = 10;

// Codes with a named type: Access 2010 with Excel 2007 is type Ｒ; Access
// 2010 or 2013 with a newer Excel is type Ｖ.
constexpr std::u16string_view kTypeRCodes[] = {u"75"};
constexpr std::u16string_view kTypeVCodes[] = {u"77", u"78", u"79", u"88", u"89"};
struct NamedType {
    const std::u16string_view* codesBegin;
    const std::u16string_view* codesEnd;
    std::u16string_view letter;
    MachineType row;
};
constexpr NamedType kNamedTypes[] = {
    {std::begin(kTypeRCodes), std::end(kTypeRCodes), u"Ｒ", MachineType::TypeR},
    {std::begin(kTypeVCodes), std::end(kTypeVCodes), u"Ｖ", MachineType::TypeV},
};

// Access XP or 2003 with an Excel the CD could serve.
constexpr std::u16string_view kOldAccessCodes[] = {
    u"33", u"34", u"43", u"44", u"35", u"37", u"38", u"45", u"47", u"48",
};

// The Access runtime to install, by the Excel index (the code's last character).
struct RuntimeName {
    std::u16string_view excelIndexes;
    std::u16string_view name;
};
constexpr RuntimeName kRuntimeNames[] = {
    {u"345", u"「ﾗﾝﾀｲﾑ ＸＰ」"},
    {u"78", u"「ﾗﾝﾀｲﾑ 2010」"},
};

std::u16string RuntimeNameFor(char16_t excelIndex) {
    for (const RuntimeName& entry : kRuntimeNames) {
        if (entry.excelIndexes.find(excelIndex) != std::u16string_view::npos) return std::u16string(entry.name);
    }
    return {};
}

bool Contains(const std::u16string_view* begin, const std::u16string_view* end, const std::u16string& code) {
    return std::find(begin, end, code) != end;
}

}  // namespace

MachineType ShowMachineType(FormFields& form, const std::u16string& strTypeCode) {
    std::u16string typeText(kTypePrefix);
    MachineType row;
    const auto named = std::find_if(std::begin(kNamedTypes), std::end(kNamedTypes),
                                    [&](const NamedType& type) { return Contains(type.codesBegin, type.codesEnd, strTypeCode); });
    const char16_t first = strTypeCode.empty() ? u'\0' : strTypeCode.front();
    const char16_t last = strTypeCode.empty() ? u'\0' : strTypeCode.back();

    if (named != std::end(kNamedTypes)) {
        typeText += named->letter;
        row = named->row;
        form.SetFontSize(Field::Text2, kTypeFoundFontSize);
        form.SetText(Field::Text2, kTypeFoundAdvice);
    } else {
        typeText = kUndetermined;
        if (Contains(std::begin(kOldAccessCodes), std::end(kOldAccessCodes), strTypeCode)) {
            row = MachineType::OldAccess;
            form.SetText(Field::Text2, kOldAccessAdvice);
        } else if (last == kNotInstalledMark) {
            row = MachineType::ExcelMissing;
            form.SetText(Field::Text2, kExcelMissingAdvice);
        } else if (first == kNotInstalledMark) {
            row = MachineType::AccessMissing;
            form.SetVisible(Field::Text00, true);
            form.SetText(Field::Text00, RuntimeNameFor(last));
            form.SetText(Field::Text2, kAccessMissingAdvice);
        } else {
            row = MachineType::NotInstallable;
            form.SetFontSize(Field::Text2, kNotInstallableFontSize);
            form.SetText(Field::Text2, kNotInstallableAdvice);
        }
    }
    form.SetText(Field::Text0, typeText);
    return row;
}

}  // namespace runesuka
