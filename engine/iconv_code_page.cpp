#include "iconv_code_page.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <stdexcept>
#include <vector>


namespace runesuka {
namespace {

const iconv_t kFailed = reinterpret_cast<iconv_t>(-1);

// What Windows puts in place of what a conversion cannot carry over: "?" on
// the way to the code page, the katakana middle dot on the way back.
constexpr char kDefaultAnsiChar = '?';
constexpr char16_t kDefaultWideChar = u'\u30FB';

// Converts `in` with `cd`; each unconvertible unit of `unitBytes` bytes (a
// surrogate pair counts as one) is replaced by `fallback`.
std::string Convert(iconv_t cd, const char* in, std::size_t inLeft, std::size_t unitBytes,
                    const std::string& fallback) {
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    std::string out;
    std::vector<char> chunk(4 * inLeft + 16);
    char* src = const_cast<char*>(in);
    while (inLeft > 0) {
        char* dst = chunk.data();
        std::size_t dstLeft = chunk.size();
        const std::size_t done = iconv(cd, &src, &inLeft, &dst, &dstLeft);
        out.append(chunk.data(), dst);
        if (done != static_cast<std::size_t>(-1) || errno == E2BIG) continue;
        out += fallback;
        std::size_t skip = std::min(unitBytes, inLeft);
        if (unitBytes == 2 && inLeft >= 4) {
            const auto high = static_cast<unsigned char>(src[1]);
            if (high >= 0xD8 && high <= 0xDB) skip = 4;
        }
        src += skip;
        inLeft -= skip;
    }
    return out;
}

}  // namespace

IconvCodePage::IconvCodePage(const std::string& name)
    : toAnsi_(iconv_open(name.c_str(), "UTF-16LE")), fromAnsi_(iconv_open("UTF-16LE", name.c_str())) {
    if (toAnsi_ == kFailed || fromAnsi_ == kFailed) {
        if (toAnsi_ != kFailed) iconv_close(toAnsi_);
        if (fromAnsi_ != kFailed) iconv_close(fromAnsi_);
        throw std::runtime_error("iconv does not know the code page " + name);
    }
    // A lead byte alone is an incomplete character, which iconv tells apart
    // from an invalid one.
    for (int byte = 0x80; byte < 0x100; ++byte) {
        char in = static_cast<char>(byte);
        char* src = &in;
        std::size_t inLeft = 1;
        char out[4];
        char* dst = out;
        std::size_t outLeft = sizeof out;
        iconv(fromAnsi_, nullptr, nullptr, nullptr, nullptr);
        leadBytes_[byte] = iconv(fromAnsi_, &src, &inLeft, &dst, &outLeft) == static_cast<std::size_t>(-1) && errno == EINVAL;
    }
}

IconvCodePage::~IconvCodePage() {
    iconv_close(toAnsi_);
    iconv_close(fromAnsi_);
}

std::string IconvCodePage::ConvertToAnsi(const std::u16string& text) const {
    std::string wide(2 * text.size(), '\0');
    for (std::size_t i = 0; i < text.size(); ++i) {
        wide[2 * i] = static_cast<char>(text[i] & 0xFF);
        wide[2 * i + 1] = static_cast<char>(text[i] >> 8);
    }
    return Convert(toAnsi_, wide.data(), wide.size(), 2, std::string(1, kDefaultAnsiChar));
}

std::u16string IconvCodePage::ConvertFromAnsi(std::string_view bytes) const {
    const std::string fallback{static_cast<char>(kDefaultWideChar & 0xFF), static_cast<char>(kDefaultWideChar >> 8)};
    const std::string wide = Convert(fromAnsi_, bytes.data(), bytes.size(), 1, fallback);
    std::u16string text(wide.size() / 2, u'\0');
    for (std::size_t i = 0; i < text.size(); ++i) {
        text[i] = static_cast<char16_t>(static_cast<unsigned char>(wide[2 * i]) |
                                        (static_cast<unsigned char>(wide[2 * i + 1]) << 8));
    }
    return text;
}

}  // namespace runesuka
