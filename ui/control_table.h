// Form1 as data: the window and its controls with their stored properties,
// in stored order (creation and stacking order: first listed lies on top).
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

#include "form_fields.h"

namespace runesuka {

enum class ControlKind { TextBox, Frame, ImageBox, CommandButton };
enum class Alignment { Left, Center };

// The toolkit's colour values: red in the low byte; a set top bit names a
// desktop system colour by index instead.
using OleColor = std::uint32_t;
constexpr OleColor SystemColor(int index) { return 0x80000000u | static_cast<OleColor>(index); }
inline constexpr OleColor kWindowText = SystemColor(8);
inline constexpr OleColor kRed = 255;

struct Twips {
    int left;
    int top;
    int width;
    int height;
};

struct StoredFont {
    std::u16string_view name;
    float size;
    bool bold;
};

struct ControlDef {
    Field name;
    ControlKind kind;
    std::optional<Field> container;  // none: the window itself
    Twips rect;                      // relative to the container's client area
    std::optional<int> tabIndex;
    bool visibleAtStart;
    Alignment alignment;
    std::u16string_view text;        // text, or the button's caption
    std::optional<StoredFont> font;
};

struct FormDef {
    std::u16string_view caption;
    int clientWidth;   // twips
    int clientHeight;  // twips
};

extern const FormDef kForm1;
extern const std::array<ControlDef, kFieldCount> kForm1Controls;

const ControlDef& ControlOf(Field field);

// The control's rectangle in the window's client coordinates.
Twips WindowTwips(const ControlDef& control);

}  // namespace runesuka
