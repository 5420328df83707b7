#include "control_table.h"

namespace runesuka {
namespace {

using K = ControlKind;
using A = Alignment;
constexpr std::nullopt_t kWindow = std::nullopt;
constexpr std::nullopt_t kNoTab = std::nullopt;
constexpr std::nullopt_t kNoFont = std::nullopt;

}  // namespace

const FormDef kForm1 = {u"ルネスカ", 6855, 3855};

// The gap of eight full-width spaces in Text1 is where Frame0 shows the type.
const std::array<ControlDef, kFieldCount> kForm1Controls = {{
    {Field::Text00, K::TextBox, kWindow, {1680, 800, 1800, 270}, 15, false, A::Center, u"", kNoFont},
    {Field::Frame3, K::Frame, kWindow, {4500, 1680, 2115, 550}, 11, false, A::Left, u"", kNoFont},
    {Field::Text7, K::TextBox, Field::Frame3, {0, 240, 2055, 300}, 12, false, A::Left, u"", kNoFont},
    {Field::Frame4, K::Frame, kWindow, {4500, 2280, 2115, 555}, 13, false, A::Left, u"", kNoFont},
    {Field::Text8, K::TextBox, Field::Frame4, {0, 240, 2055, 300}, 14, false, A::Left, u"", kNoFont},
    {Field::Frame1, K::Frame, kWindow, {180, 1545, 6495, 740}, 1, false, A::Left, u"", kNoFont},
    {Field::Text3, K::TextBox, Field::Frame1, {240, 360, 5175, 300}, 2, false, A::Left, u"",
     StoredFont{u"ＭＳ Ｐゴシック", 12, false}},
    {Field::Text5, K::TextBox, Field::Frame1, {240, 180, 5175, 270}, 5, false, A::Left, u"", kNoFont},
    {Field::Image1, K::ImageBox, Field::Frame1, {120, 360, 240, 240}, kNoTab, false, A::Left, u"", kNoFont},
    {Field::Frame2, K::Frame, kWindow, {180, 2175, 6495, 740}, 3, false, A::Left, u"", kNoFont},
    {Field::Text4, K::TextBox, Field::Frame2, {240, 360, 5175, 300}, 4, false, A::Left, u"", kNoFont},
    {Field::Text6, K::TextBox, Field::Frame2, {240, 180, 5175, 270}, 6, false, A::Left, u"", kNoFont},
    {Field::Image2, K::ImageBox, Field::Frame2, {120, 360, 240, 240}, kNoTab, false, A::Left, u"", kNoFont},
    {Field::Frame0, K::Frame, kWindow, {3750, 120, 1455, 615}, 9, true, A::Left, u"", kNoFont},
    {Field::Text0, K::TextBox, Field::Frame0, {120, 160, 1215, 375}, 10, false, A::Center, u"", kNoFont},
    {Field::Text1, K::TextBox, kWindow, {360, 360, 6135, 375}, 7, false, A::Center,
     u"このパソコンのタイプは　　　　　　　　です。\r\n", kNoFont},
    {Field::Cmd_End, K::CommandButton, kWindow, {2280, 3120, 2295, 495}, 0, true, A::Center, u"閉じる", kNoFont},
    {Field::Text2, K::TextBox, kWindow, {360, 840, 6135, 615}, 8, false, A::Left, u"", kNoFont},
}};

const ControlDef& ControlOf(Field field) { return kForm1Controls[static_cast<std::size_t>(field)]; }

Twips WindowTwips(const ControlDef& control) {
    Twips rect = control.rect;
    if (control.container) {
        const Twips outer = WindowTwips(ControlOf(*control.container));
        rect.left += outer.left;
        rect.top += outer.top;
    }
    return rect;
}

}  // namespace runesuka
