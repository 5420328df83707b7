// What assistive technology is told about the window: a name for each text
// box, and the result in one sentence once the check has written it.
#pragma once

#include <string>
#include <string_view>

#include "form1.h"

namespace runesuka {

// What the box holds, in Japanese; empty for controls that are not text boxes.
std::u16string_view AccessibleName(Field field);

// The result lines (findings.h), a space after each but the last:
// "このパソコンのタイプは ﾀｲﾌﾟ Ｖ です。".
std::u16string ResultSentence(const Form1& form);

}  // namespace runesuka
