// The text of a registry export as the parser reads it: the file's bytes made
// units of one of the forms, whether its bytes are UTF-8, and the kept texts
// decoded at the end.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "ansi_code_page.h"
#include "export_parser.h"

namespace runesuka {

// Bytes to units a chunk at a time, whatever the chunks cut: a UTF-16 unit or
// a double-byte character may end in the next chunk. A "\r" before a "\n"
// becomes a blank, and one at the very end is dropped.
class UnitDecoder {
public:
    UnitDecoder(UnitForm form, const AnsiCodePage& codePage) : form_(form), codePage_(&codePage) {}

    // The units of the next chunk, valid until the next call.
    std::u16string_view Decode(const char* bytes, std::size_t size);
    // What the end of the file completes.
    std::u16string_view Finish();
    // Whether the file ended inside a UTF-16 unit.
    bool cut() const { return oddByte_ >= 0; }
    // While the bytes so far are ASCII, the same decoder reads the rest in another form.
    void SetForm(UnitForm form) { form_ = form; }
    // Starts another file in `form`, in the same buffer.
    void Restart(UnitForm form) {
        Buffer buffer = std::move(buffer_);
        *this = UnitDecoder(form, *codePage_);
        buffer_ = std::move(buffer);
    }

private:
    char16_t* Put(char16_t unit, char16_t* out);
    void Reserve(std::size_t size);

    UnitForm form_;
    const AnsiCodePage* codePage_;
    int oddByte_ = -1;  // the first byte of a UTF-16 unit, or -1
    int lead_ = -1;     // a lead byte waiting for its trail, or -1
    bool cr_ = false;   // a "\r" waiting to see whether a "\n" follows
    // Units are written before they are read, so a buffer needs no filling,
    // and a copy of the decoder starts its own.
    struct Buffer {
        std::unique_ptr<char16_t[]> units;
        std::size_t capacity = 0;
        Buffer() = default;
        Buffer(const Buffer&) {}
        Buffer(Buffer&&) = default;
        Buffer& operator=(const Buffer&) { return *this; }
        Buffer& operator=(Buffer&&) = default;
    };
    Buffer buffer_;
};

// Whether bytes taken a chunk at a time are UTF-8 so far.
class Utf8Check {
public:
    // False once a byte is no UTF-8; stays so.
    bool Take(const char* bytes, std::size_t size);
    // True when the bytes end where a character does.
    bool Complete() const { return valid_ && needed_ == 0; }
    bool sawNonAscii() const { return nonAscii_; }

private:
    bool valid_ = true;
    bool nonAscii_ = false;
    int needed_ = 0;  // continuation bytes still to come
    unsigned char low_ = 0x80, high_ = 0xBF;  // the range of the next one
};

// A kept text in `form`'s units as the program's wide text.
std::u16string DecodeUnits(const std::u16string& units, UnitForm form, const AnsiCodePage& codePage);

}  // namespace runesuka
