#include "findings.h"

#include <algorithm>
#include <optional>

namespace runesuka {
namespace {

constexpr std::u16string_view kBlanks = u" \u3000";
constexpr std::u16string_view kLineBreak = u"\r\n";
constexpr char16_t kGapSpace = u'\u3000';

// Each product's versions line, then the last-used line laid over its right end.
constexpr Field kProductLines[] = {Field::Text3, Field::Text7, Field::Text4, Field::Text8};

// A field shows where it and every frame around it are visible.
bool Shows(const Form1& form, Field field) {
    for (std::optional<Field> at = field; at; at = ControlOf(*at).container) {
        if (!form.State(*at).visible) return false;
    }
    return true;
}

std::u16string_view Trimmed(std::u16string_view text) {
    const std::size_t first = text.find_first_not_of(kBlanks);
    if (first == std::u16string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

// A line begun at `start` of `text` is ended, unless nothing was written to it.
void EndLine(std::u16string& text, std::size_t start, std::u16string_view lineEnd) {
    if (text.size() > start) text += lineEnd;
}

// Each line of a field's text, `lead` in front of the first.
void AppendLines(std::u16string& text, std::u16string_view field, std::u16string_view lineEnd,
                 std::u16string_view lead = {}) {
    for (;;) {
        const std::size_t start = text.size();
        const std::size_t end = field.find(kLineBreak);
        text += lead;
        text += Trimmed(field.substr(0, end));
        EndLine(text, start, lineEnd);
        if (end == std::u16string_view::npos) return;
        lead = {};
        field.remove_prefix(end + kLineBreak.size());
    }
}

}  // namespace

void AppendResultLines(std::u16string& text, const Form1& form, std::u16string_view lineEnd) {
    if (Shows(form, Field::Text1)) {
        // The type stands in the run of full-width spaces of the sentence, a space either side.
        const std::u16string& frame = form.State(Field::Text1).text;
        const std::u16string_view sentence = std::u16string_view(frame).substr(0, frame.find(kLineBreak));
        const std::size_t gap = std::min(sentence.find(kGapSpace), sentence.size());
        const std::size_t after = std::min(sentence.find_first_not_of(kGapSpace, gap), sentence.size());
        const std::u16string_view type = Shows(form, Field::Text0) ? Trimmed(form.State(Field::Text0).text) : u"";
        const std::size_t start = text.size();
        for (const std::u16string_view part : {sentence.substr(0, gap), type, sentence.substr(after)}) {
            const std::u16string_view words = Trimmed(part);
            if (words.empty()) continue;
            if (text.size() > start) text += u' ';
            text += words;
        }
        EndLine(text, start, lineEnd);
    }
    if (Shows(form, Field::Text2)) {
        // The runtime name stands in the blank start of the advice's first line.
        const std::u16string_view runtime = Shows(form, Field::Text00) ? Trimmed(form.State(Field::Text00).text) : u"";
        AppendLines(text, form.State(Field::Text2).text, lineEnd, runtime);
    }
}

std::u16string FindingsText(const Form1& form) {
    std::u16string text(kForm1.caption);
    text += kLineBreak;
    const std::size_t title = text.size();
    AppendResultLines(text, form, kLineBreak);
    for (const Field field : kProductLines) {
        if (Shows(form, field)) AppendLines(text, form.State(field).text, kLineBreak);
    }
    if (text.size() == title) text.clear();
    return text;
}

}  // namespace runesuka
