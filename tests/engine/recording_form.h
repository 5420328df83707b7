// A window stand-in that records every field write in order and can be told
// to refuse one, for checking what the check writes and when.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "form_fields.h"

namespace runesuka::testing {

struct FieldWrite {
    enum class Kind { Text, Visible, FontSize, Refresh } kind;
    Field field;
    std::u16string text;
    bool visible = false;
    float points = 0;
};

class RecordingForm : public FormFields {
public:
    void SetText(Field field, const std::u16string& text) override;
    void SetVisible(Field field, bool visible) override;
    void SetFontSize(Field field, float points) override;
    void Refresh() override;

    // The next write of `kind` to `field` throws FieldError.
    void FailOn(Field field, FieldWrite::Kind kind) { failure_ = {field, kind}; }

    const std::vector<FieldWrite>& writes() const { return writes_; }
    // Last state written; fields never written have no entry.
    std::optional<std::u16string> text(Field field) const;
    std::optional<bool> visible(Field field) const;
    std::optional<float> fontSize(Field field) const;
    int textWrites(Field field) const;

private:
    void Record(FieldWrite write);

    std::vector<FieldWrite> writes_;
    std::optional<std::pair<Field, FieldWrite::Kind>> failure_;
};

}  // namespace runesuka::testing
