// A Windows code page: the system ANSI one (CP_ACP) by default, as the ANSI
// registry calls use it.
#pragma once

#include "ansi_code_page.h"

namespace runesuka::win32 {

class WindowsCodePage : public AnsiCodePage {
public:
    // 0 is CP_ACP.
    explicit WindowsCodePage(unsigned int codePage = 0) : codePage_(codePage) {}

    bool IsLeadByte(unsigned char byte) const override;

protected:
    std::string ConvertToAnsi(const std::u16string& text) const override;
    std::u16string ConvertFromAnsi(std::string_view bytes) const override;

private:
    unsigned int codePage_;
};

}  // namespace runesuka::win32
