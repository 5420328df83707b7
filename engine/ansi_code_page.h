// Conversion between the program's wide texts and the system ANSI code page,
// the form the ANSI registry calls take and give.
#pragma once

#include <string>

namespace runesuka {

class AnsiCodePage {
public:
    virtual ~AnsiCodePage() = default;
    // Characters the code page lacks become its default character; never throws.
    virtual std::string ToAnsi(const std::u16string& text) const = 0;
    // Bytes that form no character decode to a replacement; never throws.
    virtual std::u16string FromAnsi(const std::string& bytes) const = 0;
    // Whether `byte` starts a character of two bytes.
    virtual bool IsLeadByte(unsigned char byte) const = 0;
};

}  // namespace runesuka
