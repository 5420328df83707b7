// The program's UTF-16 texts as the wide strings the Win32 calls take.
#pragma once

#include <string>

namespace runesuka::win32 {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows wide text is UTF-16");

inline const wchar_t* Wide(const std::u16string& text) { return reinterpret_cast<const wchar_t*>(text.c_str()); }

}  // namespace runesuka::win32
