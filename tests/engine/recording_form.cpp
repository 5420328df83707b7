#include "recording_form.h"

#include <algorithm>

namespace runesuka::testing {

void RecordingForm::Record(FieldWrite write) {
    if (failure_ && failure_->first == write.field && failure_->second == write.kind) {
        failure_.reset();
        throw FieldError(std::string("refused write to ") + FieldName(write.field));
    }
    writes_.push_back(std::move(write));
}

void RecordingForm::SetText(Field field, const std::u16string& text) {
    Record({FieldWrite::Kind::Text, field, text, false, 0});
}

void RecordingForm::SetVisible(Field field, bool visible) {
    Record({FieldWrite::Kind::Visible, field, {}, visible});
}

void RecordingForm::SetFontSize(Field field, float points) {
    Record({FieldWrite::Kind::FontSize, field, {}, false, points});
}

void RecordingForm::Refresh() { writes_.push_back({FieldWrite::Kind::Refresh, Field::Text0, {}, false, 0}); }

namespace {

template <typename Get>
auto Last(const std::vector<FieldWrite>& writes, Field field, FieldWrite::Kind kind, Get get)
    -> std::optional<decltype(get(writes.front()))> {
    const auto found = std::find_if(writes.rbegin(), writes.rend(), [&](const FieldWrite& w) {
        return w.kind == kind && w.field == field;
    });
    if (found == writes.rend()) return std::nullopt;
    return get(*found);
}

}  // namespace

std::optional<std::u16string> RecordingForm::text(Field field) const {
    return Last(writes_, field, FieldWrite::Kind::Text, [](const FieldWrite& w) { return w.text; });
}

std::optional<bool> RecordingForm::visible(Field field) const {
    return Last(writes_, field, FieldWrite::Kind::Visible, [](const FieldWrite& w) { return w.visible; });
}

std::optional<float> RecordingForm::fontSize(Field field) const {
    return Last(writes_, field, FieldWrite::Kind::FontSize, [](const FieldWrite& w) { return w.points; });
}

int RecordingForm::textWrites(Field field) const {
    return static_cast<int>(std::count_if(writes_.begin(), writes_.end(), [&](const FieldWrite& w) {
        return w.kind == FieldWrite::Kind::Text && w.field == field;
    }));
}

}  // namespace runesuka::testing
