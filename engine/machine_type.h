// The machine's installation type from its type code: the Access version
// index text followed by the Excel one.
#pragma once

#include <string>

#include "form_fields.h"

namespace runesuka {

// The rows of the classification's decision table, in the order they are tried.
enum class MachineType { TypeR, TypeV, OldAccess, ExcelMissing, AccessMissing, NotInstallable };

// Writes the advice to Text2 (and the runtime name to Text00 when Access is
// missing), then the type to Text0, always last; returns the row that decided.
MachineType ShowMachineType(FormFields& form, const std::u16string& strTypeCode);

}  // namespace runesuka
