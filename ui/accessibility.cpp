#include "accessibility.h"

#include <algorithm>
#include <iterator>

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

constexpr std::u16string_view kBlanks = u" \u3000";
constexpr std::u16string_view kLineBreak = u"\r\n";

std::u16string_view Trimmed(std::u16string_view text) {
    const std::size_t first = text.find_first_not_of(kBlanks);
    if (first == std::u16string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

std::u16string_view FirstLine(std::u16string_view text) { return text.substr(0, text.find(kLineBreak)); }

void AppendPart(std::u16string& sentence, std::u16string_view part) {
    if (part.empty()) return;
    if (!sentence.empty()) sentence += u' ';
    sentence += part;
}

}  // namespace

std::u16string_view AccessibleName(Field field) {
    const auto* found = std::find_if(std::begin(kNames), std::end(kNames),
                                     [&](const NamedField& entry) { return entry.field == field; });
    return found == std::end(kNames) ? std::u16string_view() : found->name;
}

std::u16string ResultSentence(const Form1& form) {
    std::u16string sentence;
    // The type stands in the run of full-width spaces of Text1's sentence.
    const std::u16string_view frame = FirstLine(form.State(Field::Text1).text);
    const std::size_t gap = std::min(frame.find(u'\u3000'), frame.size());
    const std::size_t after = std::min(frame.find_first_not_of(u'\u3000', gap), frame.size());
    AppendPart(sentence, Trimmed(frame.substr(0, gap)));
    AppendPart(sentence, form.State(Field::Text0).text);
    AppendPart(sentence, Trimmed(frame.substr(after)));

    // The runtime name stands in the blank start of the advice's first line.
    const ControlState& runtime = form.State(Field::Text00);
    std::u16string lead = runtime.visible ? runtime.text : std::u16string();
    std::u16string_view advice = form.State(Field::Text2).text;
    for (;;) {
        const std::size_t end = advice.find(kLineBreak);
        AppendPart(sentence, lead + std::u16string(Trimmed(advice.substr(0, end))));
        lead.clear();
        if (end == std::u16string_view::npos) break;
        advice.remove_prefix(end + kLineBreak.size());
    }
    return sentence;
}

}  // namespace runesuka
