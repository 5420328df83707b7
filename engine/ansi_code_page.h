// Conversion between the program's wide texts and the system ANSI code page,
// the form the ANSI registry calls take and give.
#pragma once

#include <string>
#include <string_view>

#include "ascii_text.h"
#include "ascii_blocks.h"

namespace runesuka {

class AnsiCodePage {
public:
    virtual ~AnsiCodePage() = default;
    // Characters the code page lacks become its default character; never throws.
    std::string ToAnsi(const std::u16string& text) const {
        std::string ansi;
        ToAnsi(text, ansi);
        return ansi;
    }
    // The same into `ansi`, whose storage is reused: the check converts a key name for every read.
    void ToAnsi(const std::u16string& text, std::string& ansi) const {
        ansi.resize(text.size());
        if (!NarrowAscii(text.data(), text.size(), &ansi[0])) ansi = ConvertToAnsi(text);
    }
    // Bytes that form no character decode to a replacement; never throws.
    std::u16string FromAnsi(std::string_view bytes) const {
        if (!IsAscii(bytes)) return ConvertFromAnsi(bytes);
        return std::u16string(bytes.begin(), bytes.end());
    }
    // Whether `byte` starts a character of two bytes.
    virtual bool IsLeadByte(unsigned char byte) const = 0;

protected:
    // ASCII reads the same in every code page; these convert the other texts.
    virtual std::string ConvertToAnsi(const std::u16string& text) const = 0;
    virtual std::u16string ConvertFromAnsi(std::string_view bytes) const = 0;
};

}  // namespace runesuka
