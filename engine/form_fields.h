// The window's fields as the check sees them: named, written one property at
// a time. A write the field cannot take throws FieldError.
#pragma once

#include <stdexcept>
#include <string>

namespace runesuka {

// The window's controls in their stored order (creation and stacking order).
enum class Field {
    Text00, Frame3, Text7, Frame4, Text8, Frame1, Text3, Text5, Image1,
    Frame2, Text4, Text6, Image2, Frame0, Text0, Text1, Cmd_End, Text2,
};
inline constexpr int kFieldCount = 18;

const char* FieldName(Field field);

class FieldError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class FormFields {
public:
    virtual ~FormFields() = default;
    virtual void SetText(Field field, const std::u16string& text) = 0;
    virtual void SetVisible(Field field, bool visible) = 0;
    virtual void SetFontSize(Field field, float points) = 0;
    // Repaints the whole window now.
    virtual void Refresh() = 0;
};

}  // namespace runesuka
