// The fonts, weights and colours Form1 gives its controls when it loads.
#pragma once

#include <optional>
#include <string_view>

#include "control_table.h"

namespace runesuka {

// Every control with a font gets this face and size first.
inline constexpr std::u16string_view kUniformFontName = u"ＭＳ Ｐゴシック";
inline constexpr float kUniformFontSize = 9;

// Then the result fields get their own weight, colour and size, in this order.
struct FieldStyle {
    Field field;
    std::optional<bool> bold;
    std::optional<OleColor> foreColor;
    float size;
};

inline constexpr FieldStyle kFieldStyles[] = {
    {Field::Text0, true, kRed, 17},
    {Field::Text1, true, std::nullopt, 14},
    {Field::Text2, true, kRed, 10},
    {Field::Text3, std::nullopt, std::nullopt, 13},
    {Field::Text4, std::nullopt, std::nullopt, 13},
    {Field::Text5, std::nullopt, std::nullopt, 8},
    {Field::Text6, std::nullopt, std::nullopt, 8},
    {Field::Text7, true, std::nullopt, 12},
    {Field::Text8, true, std::nullopt, 12},
};

}  // namespace runesuka
