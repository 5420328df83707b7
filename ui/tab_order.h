// The order Tab walks the window's controls in: by their stored tab index,
// the button and the text boxes, the only kinds that take the focus.
#pragma once

#include <string>
#include <vector>

#include "form_fields.h"

namespace runesuka {

const std::vector<Field>& TabOrder();

// A text box whose text shows nothing (spaces and line breaks only) is
// passed over: there is nothing in it to read or select.
bool IsBlank(const std::u16string& text);

}  // namespace runesuka
