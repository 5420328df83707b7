// The scan of one product: which of its versions are registered, which was
// used last, and the product's version index for the type code.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "form_fields.h"
#include "registry_reader.h"

namespace runesuka {

// The fields one product's results go to.
struct ProductFields {
    Field fieldVersions;  // installed-versions sentence
    Field fieldName;      // product name in katakana
    Field fieldLastUsed;  // last-used sentence
    Field frameMulti;     // frame around the last-used sentence
    Field imageMark;      // warning icon
};

// Scans `strProduct` ("Access" or "Excel"), writes its fields and sets
// `strIdx` to its version index text, or "-" when no version is registered.
// Returns the major versions found, ascending.
std::vector<int> CheckProduct(const RegistryReader& registry, FormFields& form, const std::u16string& strProduct,
                  const ProductFields& fields, std::u16string& strIdx);

// The values CheckProduct may read for `strProduct`, in the order it reads
// them: the CLSID value of each version by its index, then the
// current-version pointer.
std::vector<ClassesValue> ScannedValues(const std::u16string& strProduct);

// Version name of a versioned program identifier such as
// "Excel.Application.14", with `intIdx` set to its version index; "不明" for
// an index outside the table. No value when the identifier does not end in a
// decimal version number whose index fits 16 bits; `intIdx` is then untouched.
std::optional<std::u16string> VersionNameFromProgId(const std::u16string& strProgId, std::int16_t& intIdx);

}  // namespace runesuka
