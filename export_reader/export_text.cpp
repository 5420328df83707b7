#include "export_text.h"

#include "word_scan.h"

namespace runesuka {

// Appends `unit` at `out`; a "\r" waits to see what follows, in the next
// chunk if need be, and before a "\n" becomes a blank.
char16_t* UnitDecoder::Put(char16_t unit, char16_t* out) {
    if (cr_) {
        cr_ = false;
        *out++ = unit == u'\n' ? kCrLfBlank : u'\r';
    }
    if (unit == u'\r') {
        cr_ = true;
    } else {
        *out++ = unit;
    }
    return out;
}

std::u16string_view UnitDecoder::Decode(const char* bytes, std::size_t size) {
    // A "\r" kept from the last chunk, and a unit more than bytes: a lead byte alone.
    Reserve(size + 2);
    const auto* in = reinterpret_cast<const unsigned char*>(bytes);
    const auto* const end = in + size;
    char16_t* const begin = buffer_.units.get();
    char16_t* out = begin;
    if (form_ == UnitForm::Utf16) {
        if (oddByte_ >= 0 && in != end) {
            out = Put(static_cast<char16_t>(oddByte_ | *in++ << 8), out);
            oddByte_ = -1;
        }
        while (end - in >= 2) {
            if (!cr_) {
                // Most of a file is lines of units, which need no more than a copy.
                const std::size_t units = CopyUnitLines(in, static_cast<std::size_t>(end - in), out);
                in += 2 * units;
                out += units;
                if (end - in < 2) break;
            }
            out = Put(static_cast<char16_t>(in[0] | in[1] << 8), out);
            in += 2;
        }
        if (in != end) oddByte_ = *in;
        return std::u16string_view(begin, static_cast<std::size_t>(out - begin));
    }
    const bool ansi = form_ == UnitForm::AnsiChars;
    while (in != end) {
        if (!cr_ && lead_ < 0) {
            // Lines of ASCII are widened and no more.
            const std::size_t widened = WidenAsciiLines(in, static_cast<std::size_t>(end - in), out);
            in += widened;
            out += widened;
            if (in == end) break;
        }
        const unsigned char byte = *in++;
        if (lead_ >= 0) {
            const int lead = lead_;
            lead_ = -1;
            // Every double-byte code page has its trail bytes from 0x40 up.
            if (byte >= 0x40) {
                out = Put(static_cast<char16_t>(lead << 8 | byte), out);
                continue;
            }
            out = Put(static_cast<char16_t>(lead), out);
        }
        if (byte >= 0x80 && ansi && codePage_->IsLeadByte(byte)) {
            lead_ = byte;
        } else {
            out = Put(byte, out);
        }
    }
    return std::u16string_view(begin, static_cast<std::size_t>(out - begin));
}

void UnitDecoder::Reserve(std::size_t size) {
    if (buffer_.capacity >= size) return;
    buffer_.units.reset(new char16_t[size]);
    buffer_.capacity = size;
}

std::u16string_view UnitDecoder::Finish() {
    Reserve(2);
    char16_t* const begin = buffer_.units.get();
    char16_t* out = begin;
    if (lead_ >= 0) out = Put(static_cast<char16_t>(lead_), out);
    lead_ = -1;
    cr_ = false;
    return std::u16string_view(begin, static_cast<std::size_t>(out - begin));
}

bool Utf8Check::Take(const char* bytes, std::size_t size) {
    const auto* in = reinterpret_cast<const unsigned char*>(bytes);
    const auto* const end = in + size;
    while (valid_ && in != end) {
        // ASCII, most of a file, a block at a time.
        if (needed_ == 0) in += AsciiBlocks(in, static_cast<std::size_t>(end - in));
        if (in == end) break;
        const unsigned char byte = *in++;
        if (needed_ > 0) {
            valid_ = byte >= low_ && byte <= high_;
            --needed_;
            low_ = 0x80;
            high_ = 0xBF;
            continue;
        }
        if (byte < 0x80) continue;
        nonAscii_ = true;
        // Leads of two to four bytes, without overlong forms, surrogates or
        // characters past U+10FFFF.
        if (byte >= 0xC2 && byte <= 0xDF) {
            needed_ = 1;
        } else if (byte >= 0xE0 && byte <= 0xEF) {
            needed_ = 2;
            if (byte == 0xE0) low_ = 0xA0;
            if (byte == 0xED) high_ = 0x9F;
        } else if (byte >= 0xF0 && byte <= 0xF4) {
            needed_ = 3;
            if (byte == 0xF0) low_ = 0x90;
            if (byte == 0xF4) high_ = 0x8F;
        } else {
            valid_ = false;
        }
    }
    return valid_;
}

std::u16string DecodeUnits(const std::u16string& units, UnitForm form, const AnsiCodePage& codePage) {
    if (form == UnitForm::Utf16) return units;
    if (form == UnitForm::AnsiChars) {
        std::string bytes;
        for (const char16_t unit : units) {
            if (unit > 0xFF) bytes += static_cast<char>(unit >> 8);
            bytes += static_cast<char>(unit & 0xFF);
        }
        return codePage.FromAnsi(bytes);
    }
    // UTF-8 the check has found whole.
    std::u16string text;
    for (std::size_t i = 0; i < units.size();) {
        const char16_t lead = units[i++];
        const int extra = lead < 0x80 ? 0 : lead < 0xE0 ? 1 : lead < 0xF0 ? 2 : 3;
        char32_t c = extra == 0 ? lead : lead & (0x3F >> extra);
        for (int k = 0; k < extra && i < units.size(); ++k) c = c << 6 | (units[i++] & 0x3F);
        if (c < 0x10000) {
            text += static_cast<char16_t>(c);
        } else {
            text += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
            text += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
        }
    }
    return text;
}

}  // namespace runesuka
