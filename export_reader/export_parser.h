// The lines of a registry export after its header, read one unit at a time in
// any chunks: every line is checked as an export's, and only the values asked
// for are kept, for each of the two class trees (the machine's, the user's).
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "class_keys.h"
#include "kept_values.h"
#include "registry_api.h"

namespace runesuka {

// How the units handed to the parser stand for the file's characters. Every
// form has ASCII as itself, and no unit of another character is ASCII.
enum class UnitForm {
    Utf16,      // UTF-16 code units
    Utf8Bytes,  // the bytes of UTF-8, one unit each
    AnsiChars,  // ANSI characters: a byte, or a lead and a trail byte as lead << 8 | trail
};

// A kept value's data as the file gives them: text still in the file's units.
struct KeptData {
    std::uint32_t type;
    bool quoted;          // a quoted text, in `units`; else `bytes`
    std::u16string units;
    std::vector<std::uint8_t> bytes;
};

enum Layer { kMachineLayer, kUserLayer, kLayerCount };

// What the reader keeps of a class whose server may be asked for, in each
// layer: when the layer was last written (one written before the latest
// deletion of all its view's classes holds nothing), whether it has the
// LocalServer32 key, and the place of that key's default value; and whether
// the user's tree has the class key, which decides where a deletion of it
// through HKEY_CLASSES_ROOT goes.
struct ClassServer {
    std::uint64_t written[kLayerCount] = {};
    bool serverKey[kLayerCount] = {};
    std::int32_t serverAt[kLayerCount] = {-1, -1};
    bool userClass = false;
};
using ClassServers = std::map<ClassId, ClassServer>;

class ExportParser {
public:
    // `firstLine` is the number of the first line fed.
    ExportParser(const KeptValues& kept, UnitForm form, int firstLine);

    // Line ends are "\n" (a "\r" before one already a blank: every line reads
    // the same with a blank before its end as without). Throws
    // RegExportError for the first line that no export has.
    void Feed(const char16_t* begin, const char16_t* end);
    // The end of the file, which ends its last line.
    void End();

    UnitForm form() const { return form_; }
    int line() const { return line_; }
    // While the units fed so far are ASCII, the same parser reads the file in
    // any form.
    void SetForm(UnitForm form) { form_ = form; }
    const KeptValues& kept() const { return *kept_; }
    // Whether `layer` has kept key number `key`, and its kept value number `value`.
    bool Has(Layer layer, std::size_t key) const { return exists_[layer][key] != 0; }
    const std::optional<KeptData>& Data(Layer layer, std::size_t value) const;
    // Whether any class was met whose server may be asked for.
    bool classesMet() const { return !classes_.empty(); }
    // Whether `layer` has the server key of class `id`, and the data of its
    // default value; all of them unless `classesDropped`.
    bool HasServer(const ClassId& id, Layer layer) const;
    const std::optional<KeptData>& ServerData(const ClassId& id, Layer layer) const;
    // Whether the classes met before the classes named were more than the
    // reader keeps, and were let go.
    bool classesDropped() const { return classesDropped_; }
    // Whether the file holds keys of the 32-bit view of 64-bit Windows.
    bool sawWow64() const { return sawWow64_; }
    // While `readings` parsers read the same file, each keeps that share of
    // the room for classes.
    void ShareClassRoom(std::size_t readings);

private:
    enum class State : std::uint8_t {
        LineStart, Comment, KeyStart, KeyPath, AfterName, Quoted, QuotedEscape, DataStart, DeleteValue,
        AfterQuotedData, Word, DwordDigits, DwordEnd, HexAfterWord, HexType, HexColon,
        HexExpect, HexDigit1, HexDigit2, AfterByte, HexBackslash,
    };
    enum class Root { None, ClassesRoot, Machine, User };
    struct Current {
        int key = -1;  // the kept key number, or -1: the values are checked and dropped
        bool server = false;  // or the LocalServer32 key of the class `serverClass_`
        Layer layer = kMachineLayer;
    };

    [[noreturn]] void Fail(const char* what) const;
    const char16_t* SkipBlanks(const char16_t* p, const char16_t* end) const;
    void AfterBlanks(char16_t c);
    void Token(char16_t c);
    const char16_t* KeyPath(const char16_t* p, const char16_t* end);
    const char16_t* QuotedText(const char16_t* p, const char16_t* end);
    const char16_t* HexBytes(const char16_t* p, const char16_t* end);
    void LineFeed();
    void LineEnd();
    void StartLine(char16_t c);
    void StartData(char16_t c);
    void EndKeyLine();
    Root RootOf(std::u16string_view path, std::u16string_view& classPath, bool& wow64Classes) const;
    bool UserHas(const std::u16string& path);
    void MarkUser(const std::u16string& path);
    void DeleteKeys(std::u16string_view path, Layer layer);
    bool ServerKeyLine(std::u16string_view folded, Layer layer);
    std::optional<KeptData>& CurrentServer(Layer layer);
    ClassServer* Class(const ClassId& id, bool make);
    const ClassServer* Holding(const ClassId& id, Layer layer) const;
    ClassServer& Write(const ClassId& id, ClassServer& server, Layer layer);
    void DropServer(ClassServer& server, Layer layer);
    void Account(std::ptrdiff_t bytes);
    void NameEnd();
    void KeptValueNamed();
    void Keep(KeptData data);
    void Drop(Layer layer, std::size_t value);
    void PushByte();
    std::size_t Weight(const char16_t* begin, const char16_t* end) const;

    const KeptValues* kept_;
    std::vector<char> exists_[kLayerCount];                     // by kept key
    // Kept data in the order first met, in few small blocks: a file's parser
    // takes no large block from the heap. By kept value, the place of its
    // data, or -1.
    std::vector<std::optional<KeptData>> data_;
    std::vector<std::int16_t> dataAt_[kLayerCount];
    UnitForm form_;
    int line_;
    State state_ = State::LineStart;
    bool inKey_ = false;
    Current current_;
    // By tracked path (KeptValues::tracked), whether the user's tree has it:
    // where a key line through HKEY_CLASSES_ROOT goes depends on them.
    std::vector<char> userHas_;
    ClassServers classes_;
    std::vector<std::optional<KeptData>> serverData_;  // by ClassServer::serverAt
    std::size_t classBytes_ = 0;  // about what `classes_` and `serverData_` take
    std::size_t classRoom_;       // what they may take
    std::uint64_t clock_ = 0;     // counts the writes to a class's layer
    std::uint64_t cleared_[2][kLayerCount] = {};  // by view and layer: when all its classes were deleted
    bool classesDropped_ = false;
    bool sawWow64_ = false;
    // The class of the server key being read, by name: a copy of the parser
    // reads its own classes.
    ClassId serverClass_;

    // The key line being read.
    bool deletion_ = false;
    std::u16string path_;         // up to the longest a key path can be
    std::u16string folded_;       // its path below the class keys, folded
    std::size_t pathUnits_ = 0;   // units of the path read, stored or not
    char16_t lastNonBlank_ = 0;
    std::size_t tailBlanks_ = 0;  // blanks after it
    std::size_t nameWeight_ = 0;  // of the key name being read, in UTF-16 units
    std::size_t depth_ = 1;
    const char* pathFault_ = nullptr;

    // The value line being read.
    bool quotedName_ = false;  // the quoted text is the value's name, not its data
    bool collect_ = false;     // the quoted text is kept
    std::u16string name_;
    int value_ = -1;  // the kept value number, or -1
    std::u16string text_;
    const char16_t* word_ = nullptr;
    std::size_t wordAt_ = 0;
    int digits_ = 0;
    std::uint32_t number_ = 0;
    std::uint32_t hexType_ = 0;
    int byte_ = 0;
    std::vector<std::uint8_t> hexBytes_;
};

}  // namespace runesuka
