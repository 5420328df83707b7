// The advice shown under the type, one text per outcome, lines joined by CR LF.
#pragma once

#include <string>

namespace runesuka {

extern const std::u16string kOldAccessAdvice;
extern const std::u16string kExcelMissingAdvice;
extern const std::u16string kAccessMissingAdvice;
extern const std::u16string kNotInstallableAdvice;
extern const std::u16string kTypeFoundAdvice;

}  // namespace runesuka
