#include "reg_export.h"

#include <cstdint>
#include <map>
#include <optional>
#include <vector>

namespace runesuka {
namespace {

constexpr std::u16string_view kVersion5Header = u"Windows Registry Editor Version 5.00";
constexpr std::u16string_view kVersion4Header = u"REGEDIT4";

constexpr std::uint32_t kRegExpandSz = 2;
constexpr std::uint32_t kRegMultiSz = 7;

// Roots a key line may name; only the class keys below three of them count.
constexpr std::u16string_view kClassesRoot = u"hkey_classes_root";
constexpr std::u16string_view kLocalMachine = u"hkey_local_machine";
constexpr std::u16string_view kCurrentUser = u"hkey_current_user";
constexpr std::u16string_view kOtherRoots[] = {u"hkey_users", u"hkey_current_config"};
constexpr std::u16string_view kClassesUnderRoot = u"software\\classes";

using Value = MemoryRegistry::Value;
using Values = MemoryRegistry::Values;
using Keys = std::map<std::u16string, Values>;  // by folded path below the class keys

bool IsSpace(char16_t c) { return c == u' ' || c == u'\t'; }

// What Windows allows a key: a name of 1 to 255 characters, 512 levels deep.
// Longer or deeper paths are no export, and would cost time out of all
// proportion to make.
constexpr std::size_t kMaxKeyNameLength = 255;
constexpr std::size_t kMaxKeyDepth = 512;

// Why the key path of a key line is none Windows could have, or null.
const char* KeyPathFault(std::u16string_view path) {
    std::size_t depth = 1;
    std::size_t nameStart = 0;
    for (std::size_t i = 0; i <= path.size(); ++i) {
        if (i < path.size() && path[i] != u'\\') continue;
        if (i == nameStart) return "a key path has an empty key name";
        if (i - nameStart > kMaxKeyNameLength) return "a key name is longer than 255 characters";
        if (i < path.size() && ++depth > kMaxKeyDepth) return "a key path is more than 512 levels deep";
        nameStart = i + 1;
    }
    return nullptr;
}

std::u16string_view TrimLeft(std::u16string_view text) {
    while (!text.empty() && IsSpace(text.front())) text.remove_prefix(1);
    return text;
}

std::u16string_view Trim(std::u16string_view text) {
    text = TrimLeft(text);
    while (!text.empty() && IsSpace(text.back())) text.remove_suffix(1);
    return text;
}

int HexDigit(char16_t c) {
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'a' && c <= u'f') return c - u'a' + 10;
    if (c >= u'A' && c <= u'F') return c - u'A' + 10;
    return -1;
}

// A hexadecimal number of 1 to `maxDigits` digits at the start of `text`,
// which it leaves behind the digits.
std::optional<std::uint32_t> TakeHex(std::u16string_view& text, std::size_t maxDigits) {
    std::uint32_t value = 0;
    std::size_t digits = 0;
    while (digits < text.size() && HexDigit(text[digits]) >= 0) {
        if (++digits > maxDigits) return std::nullopt;
        value = value << 4 | static_cast<std::uint32_t>(HexDigit(text[digits - 1]));
    }
    if (digits == 0) return std::nullopt;
    text.remove_prefix(digits);
    return value;
}

char16_t FoldChar(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c; }

bool StartsWithFolded(std::u16string_view text, std::u16string_view foldedPrefix) {
    if (text.size() < foldedPrefix.size()) return false;
    for (std::size_t i = 0; i < foldedPrefix.size(); ++i) {
        if (FoldChar(text[i]) != foldedPrefix[i]) return false;
    }
    return true;
}

bool EqualsFolded(std::u16string_view text, std::u16string_view folded) {
    return text.size() == folded.size() && StartsWithFolded(text, folded);
}

// Removes `path` and every key below it.
void Delete(Keys& keys, const std::u16string& path) {
    if (path.empty()) {
        keys.clear();
        return;
    }
    keys.erase(path);
    const std::u16string prefix = path + u'\\';
    auto it = keys.lower_bound(prefix);
    while (it != keys.end() && it->first.compare(0, prefix.size(), prefix) == 0) it = keys.erase(it);
}

class Parser {
public:
    Parser(const AnsiCodePage& codePage, bool version5) : codePage_(codePage), version5_(version5) {}

    void Line(int number, std::u16string_view line) {
        line_ = number;
        if (continued_) return ContinueHex(line);
        const std::u16string_view text = Trim(line);
        if (text.empty() || text.front() == u';') return;
        if (text.front() == u'[') return KeyLine(text);
        ValueLine(text);
    }

    void End(int lastLine) {
        line_ = lastLine;
        if (continued_) Fail("the file ends inside a value continued with \"\\\"");
    }

    // The class keys as HKEY_CLASSES_ROOT shows them: the keys of both, and
    // in a key both have, the user's value where both have one of that name.
    void MoveInto(MemoryRegistry& registry) {
        for (Keys* layer : {&machine_, &user_}) {
            for (auto& [path, values] : *layer) registry.MergeFoldedKey(path, std::move(values));
        }
    }

private:
    [[noreturn]] void Fail(const std::string& what) const { throw RegExportError(line_, what); }

    // Whether the user has `path`, itself or as the parent of a key there.
    bool UserHas(const std::u16string& path) {
        if (path.empty()) return !user_.empty();
        if (user_.find(path) != user_.end()) return true;
        below_.assign(path).push_back(u'\\');
        const auto next = user_.lower_bound(below_);
        return next != user_.end() && next->first.compare(0, below_.size(), below_) == 0;
    }

    void KeyLine(std::u16string_view text) {
        if (text.back() != u']') Fail("a key line does not end with \"]\"");
        text = text.substr(1, text.size() - 2);
        const bool deletion = !text.empty() && text.front() == u'-';
        if (deletion) text.remove_prefix(1);
        inKey_ = true;
        current_ = nullptr;

        std::u16string path;
        Keys* layer = nullptr;
        switch (ClassesLayer(text, path)) {
            case Layer::None: return;
            case Layer::Machine: layer = &machine_; break;
            case Layer::User: layer = &user_; break;
            // Through HKEY_CLASSES_ROOT a key is the user's where the user has
            // it, and the machine's otherwise, as Windows writes them.
            case Layer::ClassesRoot: layer = UserHas(path) ? &user_ : &machine_; break;
        }
        if (deletion) {
            Delete(*layer, path);
        } else {
            current_ = &layer->try_emplace(std::move(path)).first->second;
        }
    }

    enum class Layer { None, ClassesRoot, Machine, User };

    // Where a key path lies, with `path` set to its folded path below the
    // class keys; None for a key outside them.
    Layer ClassesLayer(std::u16string_view text, std::u16string& path) const {
        if (const char* fault = KeyPathFault(text)) Fail(fault);
        const std::size_t cut = text.find(u'\\');
        const std::u16string_view root = text.substr(0, cut);
        std::u16string_view rest = cut == std::u16string_view::npos ? std::u16string_view() : text.substr(cut + 1);

        Layer layer = Layer::ClassesRoot;
        const bool machine = EqualsFolded(root, kLocalMachine);
        if (machine || EqualsFolded(root, kCurrentUser)) {
            if (!StartsWithFolded(rest, kClassesUnderRoot)) return Layer::None;
            const std::u16string_view below = rest.substr(kClassesUnderRoot.size());
            if (!below.empty() && below.front() != u'\\') return Layer::None;
            rest = below.empty() ? below : below.substr(1);
            layer = machine ? Layer::Machine : Layer::User;
        } else if (!EqualsFolded(root, kClassesRoot)) {
            for (const std::u16string_view other : kOtherRoots) {
                if (EqualsFolded(root, other)) return Layer::None;
            }
            Fail("a key line names no registry root");
        }
        path = MemoryRegistry::Fold(std::u16string(rest));
        return layer;
    }

    // A quoted text at the start of `text`, unescaped; `text` is left behind
    // the closing quote.
    std::u16string Quoted(std::u16string_view& text) {
        std::u16string result;
        for (std::size_t i = 1;;) {
            std::size_t stop = i;
            while (stop < text.size() && text[stop] != u'\\' && text[stop] != u'"') ++stop;
            if (stop == text.size()) Fail("a quoted text is not closed");
            result.append(text.substr(i, stop - i));
            if (text[stop] == u'"') {
                text.remove_prefix(stop + 1);
                return result;
            }
            // Only \\ and \" are escapes; any other backslash stands for itself.
            const bool escape = stop + 1 < text.size() && (text[stop + 1] == u'\\' || text[stop + 1] == u'"');
            result += text[escape ? stop + 1 : stop];
            i = stop + (escape ? 2 : 1);
        }
    }

    void ValueLine(std::u16string_view text) {
        std::u16string name;
        if (text.front() == u'@') {
            text.remove_prefix(1);
        } else if (text.front() == u'"') {
            name = Quoted(text);
        } else {
            Fail("neither a key, a value nor a comment");
        }
        text = TrimLeft(text);
        if (text.empty() || text.front() != u'=') Fail("a value name is not followed by \"=\"");
        text = TrimLeft(text.substr(1));
        if (!inKey_) Fail("a value before the first key");
        name = MemoryRegistry::Fold(name);

        if (text == u"-") {
            if (current_ != nullptr) current_->erase(name);
        } else if (!text.empty() && text.front() == u'"') {
            const std::u16string data = Quoted(text);
            if (!Trim(text).empty()) Fail("text after a quoted value");
            Store(name, kRegSz, AnsiTextData(codePage_, data));
        } else if (StartsWithFolded(text, u"dword:")) {
            text.remove_prefix(6);
            const std::optional<std::uint32_t> number = TakeHex(text, 8);
            if (!number || !EndOfData(text)) Fail("a dword value is not 1 to 8 hexadecimal digits");
            Store(name, kRegDword,
                  {static_cast<std::uint8_t>(*number), static_cast<std::uint8_t>(*number >> 8),
                   static_cast<std::uint8_t>(*number >> 16), static_cast<std::uint8_t>(*number >> 24)});
        } else if (StartsWithFolded(text, u"hex")) {
            text.remove_prefix(3);
            std::uint32_t type = kRegBinary;
            if (!text.empty() && text.front() == u'(') {
                text.remove_prefix(1);
                const std::optional<std::uint32_t> number = TakeHex(text, 8);
                if (!number || text.empty() || text.front() != u')') Fail("a hex(N) value type is not hexadecimal");
                text.remove_prefix(1);
                type = *number;
            }
            if (text.empty() || text.front() != u':') Fail("\"hex\" is not followed by \":\"");
            hexName_ = name;
            hexType_ = type;
            hexBytes_.clear();
            HexBytes(text.substr(1));
        } else {
            Fail("a value's data are neither text, dword nor hex");
        }
    }

    static bool EndOfData(std::u16string_view rest) {
        rest = TrimLeft(rest);
        return rest.empty() || rest.front() == u';';
    }

    void ContinueHex(std::u16string_view line) {
        continued_ = false;
        HexBytes(line);
    }

    // Comma-separated bytes of one or two hexadecimal digits; a "\\" at the
    // end of the line continues them on the next.
    void HexBytes(std::u16string_view text) {
        const std::size_t size = text.size();
        std::size_t i = 0;
        const auto skipSpace = [&] {
            while (i < size && IsSpace(text[i])) ++i;
        };
        for (skipSpace(); i < size && text[i] != u';'; skipSpace()) {
            if (text[i] == u'\\') {
                if (!Trim(text.substr(i + 1)).empty()) Fail("text after \"\\\" in hex data");
                continued_ = true;
                return;
            }
            int byte = HexDigit(text[i]);
            if (byte < 0) Fail("hex data hold something that is not a byte in hexadecimal");
            if (++i < size && HexDigit(text[i]) >= 0) byte = byte << 4 | HexDigit(text[i++]);
            if (i < size && HexDigit(text[i]) >= 0) Fail("hex data hold something that is not a byte in hexadecimal");
            hexBytes_.push_back(static_cast<std::uint8_t>(byte));
            skipSpace();
            if (i < size && text[i] == u',') {
                ++i;
            } else if (i < size && text[i] != u';' && text[i] != u'\\') {
                Fail("hex bytes are not separated by \",\"");
            }
        }
        const bool isText = hexType_ == kRegSz || hexType_ == kRegExpandSz || hexType_ == kRegMultiSz;
        Store(hexName_, hexType_, isText ? HexTextData(hexBytes_) : std::move(hexBytes_));
    }

    // Text written as hex: UTF-16 LE in a version 5 export (a last odd byte is
    // dropped), ANSI already in a REGEDIT4 one.
    std::vector<std::uint8_t> HexTextData(const std::vector<std::uint8_t>& bytes) const {
        if (!version5_) return bytes;
        std::u16string text;
        for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
            text += static_cast<char16_t>(bytes[i] | bytes[i + 1] << 8);
        }
        const std::string ansi = codePage_.ToAnsi(text);
        return std::vector<std::uint8_t>(ansi.begin(), ansi.end());
    }

    void Store(const std::u16string& name, std::uint32_t type, std::vector<std::uint8_t> data) {
        if (current_ != nullptr) (*current_)[name] = Value{type, std::move(data)};
    }

    const AnsiCodePage& codePage_;
    const bool version5_;
    int line_ = 0;
    Keys machine_;
    Keys user_;
    bool inKey_ = false;
    Values* current_ = nullptr;  // null: the values are read and dropped
    std::u16string below_;       // reused by UserHas
    bool continued_ = false;
    std::u16string hexName_;
    std::uint32_t hexType_ = kRegBinary;
    std::vector<std::uint8_t> hexBytes_;
};

std::u16string Decode(std::string_view bytes, const AnsiCodePage& codePage) {
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
        static_cast<unsigned char>(bytes[1]) == 0xFE) {
        std::u16string text(bytes.size() / 2 - 1, u'\0');
        for (std::size_t i = 0; i < text.size(); ++i) {
            text[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i + 2]) |
                                            static_cast<unsigned char>(bytes[2 * i + 3]) << 8);
        }
        if (bytes.size() % 2 != 0) {
            int line = 1;
            for (const char16_t c : text) line += c == u'\n';
            throw RegExportError(line, "the file ends inside a UTF-16 character");
        }
        return text;
    }
    return codePage.FromAnsi(std::string(bytes));
}

}  // namespace

void LoadRegExport(std::string_view bytes, const AnsiCodePage& codePage, MemoryRegistry& registry) {
    const std::u16string text = Decode(bytes, codePage);
    const std::u16string_view all(text);
    int number = 0;
    std::optional<Parser> parser;
    for (std::size_t start = 0; start <= all.size();) {
        const std::size_t end = std::min(all.find(u'\n', start), all.size());
        std::u16string_view line = all.substr(start, end - start);
        if (!line.empty() && line.back() == u'\r') line.remove_suffix(1);
        ++number;
        if (!parser) {
            const std::u16string_view header = Trim(line);
            if (header != kVersion5Header && header != kVersion4Header) {
                throw RegExportError(number, "not a registry export: the first line is neither \"" +
                                                 std::string(kVersion5Header.begin(), kVersion5Header.end()) +
                                                 "\" nor \"REGEDIT4\"");
            }
            parser.emplace(codePage, header == kVersion5Header);
        } else {
            parser->Line(number, line);
        }
        start = end + 1;
    }
    parser->End(number);
    parser->MoveInto(registry);
}

}  // namespace runesuka
