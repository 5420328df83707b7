#include "accessibility.h"

#include <algorithm>
#include <iterator>

#include "findings.h"

namespace runesuka {
namespace {

struct NamedField {
    Field field;
    std::u16string_view name;
};
constexpr NamedField kNames[] = {
    {Field::Text00, u"ランタイム"},          {Field::Text0, u"タイプ"},
    {Field::Text1, u"タイプの文"},           {Field::Text2, u"アドバイス"},
    {Field::Text3, u"Access のバージョン"},  {Field::Text4, u"Excel のバージョン"},
    {Field::Text5, u"Access の製品名"},      {Field::Text6, u"Excel の製品名"},
    {Field::Text7, u"Access の最終使用"},    {Field::Text8, u"Excel の最終使用"},
};

}  // namespace

std::u16string_view AccessibleName(Field field) {
    const auto* found = std::find_if(std::begin(kNames), std::end(kNames),
                                     [&](const NamedField& entry) { return entry.field == field; });
    return found == std::end(kNames) ? std::u16string_view() : found->name;
}

std::u16string ResultSentence(const Form1& form) {
    std::u16string sentence;
    AppendResultLines(sentence, form, u" ");
    if (!sentence.empty()) sentence.pop_back();
    return sentence;
}

}  // namespace runesuka
