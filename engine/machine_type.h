// The machine's installation type from its type code: the Access version
// index text followed by the Excel one.
#pragma once

#include <string>

#include "form_fields.h"

namespace runesuka {

// Writes the advice to Text2 (and the runtime name to Text00 when Access is
// missing), then the type to Text0, always last.
void ShowMachineType(FormFields& form, const std::u16string& strTypeCode);

}  // namespace runesuka
