#include "windows_code_page.h"

#include <windows.h>

namespace runesuka::win32 {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows wide text is UTF-16");

std::string WindowsCodePage::ConvertToAnsi(const std::u16string& text) const {
    if (text.empty()) return {};
    const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
    const int length = static_cast<int>(text.size());
    const int needed = WideCharToMultiByte(codePage_, 0, wide, length, nullptr, 0, nullptr, nullptr);
    std::string ansi(static_cast<std::size_t>(needed), '\0');
    WideCharToMultiByte(codePage_, 0, wide, length, ansi.data(), needed, nullptr, nullptr);
    return ansi;
}

std::u16string WindowsCodePage::ConvertFromAnsi(std::string_view bytes) const {
    if (bytes.empty()) return {};
    const int length = static_cast<int>(bytes.size());
    const int needed = MultiByteToWideChar(codePage_, 0, bytes.data(), length, nullptr, 0);
    std::u16string text(static_cast<std::size_t>(needed), u'\0');
    MultiByteToWideChar(codePage_, 0, bytes.data(), length, reinterpret_cast<wchar_t*>(text.data()), needed);
    return text;
}

bool WindowsCodePage::IsLeadByte(unsigned char byte) const { return IsDBCSLeadByteEx(codePage_, byte) != FALSE; }

}  // namespace runesuka::win32
