// A named ANSI code page through iconv, standing in for the system code page
// where there is no Windows (tests use CP932, the Japanese one).
#pragma once

#include <iconv.h>

#include <bitset>
#include <string>

#include "ansi_code_page.h"

namespace runesuka {

class IconvCodePage : public AnsiCodePage {
public:
    // Throws std::runtime_error when iconv does not know the code page.
    explicit IconvCodePage(const std::string& name);
    ~IconvCodePage() override;
    IconvCodePage(const IconvCodePage&) = delete;
    IconvCodePage& operator=(const IconvCodePage&) = delete;

    bool IsLeadByte(unsigned char byte) const override { return leadBytes_[byte]; }

protected:
    std::string ConvertToAnsi(const std::u16string& text) const override;
    std::u16string ConvertFromAnsi(std::string_view bytes) const override;

private:
    iconv_t toAnsi_;
    iconv_t fromAnsi_;
    std::bitset<256> leadBytes_;
};

}  // namespace runesuka
