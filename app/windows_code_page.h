// The system ANSI code page (CP_ACP), as the ANSI registry calls use it.
#pragma once

#include "ansi_code_page.h"

namespace runesuka::win32 {

class WindowsCodePage : public AnsiCodePage {
public:
    std::string ToAnsi(const std::u16string& text) const override;
    std::u16string FromAnsi(const std::string& bytes) const override;
};

}  // namespace runesuka::win32
