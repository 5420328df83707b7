#include "export_parser.h"

#include <algorithm>
#include <string_view>

#include "ascii_text.h"
#include "registry_reader.h"
#include "memory_registry.h"
#include "reg_export.h"
#include "registry_path.h"
#include "word_scan.h"

namespace runesuka {
namespace {

constexpr char kNeitherKeyNorValue[] = "neither a key, a value nor a comment";
constexpr char kNoBracket[] = "a key line does not end with \"]\"";
constexpr char kEmptyName[] = "a key path has an empty key name";
constexpr char kLongName[] = "a key name is longer than 255 characters";
constexpr char kTooDeep[] = "a key path is more than 512 levels deep";
constexpr char kNoRoot[] = "a key line names no registry root";
constexpr char kNotClosed[] = "a quoted text is not closed";
constexpr char kNoEquals[] = "a value name is not followed by \"=\"";
constexpr char kBeforeKey[] = "a value before the first key";
constexpr char kNoKind[] = "a value's data are neither text, dword nor hex";
constexpr char kTextAfterQuote[] = "text after a quoted value";
constexpr char kBadDword[] = "a dword value is not 1 to 8 hexadecimal digits";
constexpr char kBadHexType[] = "a hex(N) value type is not hexadecimal";
constexpr char kNoHexColon[] = "\"hex\" is not followed by \":\"";
constexpr char kNotAByte[] = "hex data hold something that is not a byte in hexadecimal";
constexpr char kNoComma[] = "hex bytes are not separated by \",\"";
constexpr char kTextAfterBackslash[] = "text after \"\\\" in hex data";
constexpr char kEndsContinued[] = "the file ends inside a value continued with \"\\\"";

// What Windows allows a key: a name of 1 to 255 characters, 512 levels deep.
// Longer or deeper paths are no export, and would cost time out of all
// proportion to make.
constexpr std::size_t kMaxKeyNameLength = 255;
constexpr std::size_t kMaxKeyDepth = 512;
// The most units a path without those faults takes: three UTF-8 bytes for
// each UTF-16 unit.
constexpr std::size_t kMaxPathUnits = kMaxKeyDepth * (3 * kMaxKeyNameLength + 1);

// Roots a key line may name; only the class keys below three of them count.
constexpr std::u16string_view kClassesRoot = u"hkey_classes_root";
constexpr std::u16string_view kClassesRootAsWritten = u"HKEY_CLASSES_ROOT";
constexpr std::u16string_view kLocalMachine = u"hkey_local_machine";
constexpr std::u16string_view kCurrentUser = u"hkey_current_user";
constexpr std::u16string_view kOtherRoots[] = {u"hkey_users", u"hkey_current_config"};
constexpr std::u16string_view kClassesUnderRoot = u"software\\classes";
constexpr std::u16string_view kClassesUnder = u"software\\classes\\";
// Where 64-bit regedit writes the machine's 32-bit classes too.
constexpr std::u16string_view kWow64ClassesUnderRoot = u"software\\wow6432node\\classes";
constexpr std::u16string_view kWow64ClassesUnder = u"software\\wow6432node\\classes\\";

// A value longer than this many units, in any of the file's forms, is longer
// than the check's 256-byte buffer in the ANSI code page too (four units of
// UTF-8 make at least one character): the check reads it as missing, and this
// much of it shows that. A kept value takes no more, however long the file's.
constexpr std::size_t kKeptUnits = 4 * (kTextBufferBytes + 1);

// What the reader keeps of classes not yet named, about, shared by the
// readings of a file: the class servers of a whole HKEY_CLASSES_ROOT take a
// fraction of it. Beyond it they are let go.
constexpr std::size_t kClassBytes = std::size_t{6} << 20;
// What a class takes in the tree, and a server value besides its units, with
// what the heap adds to each block.
constexpr std::size_t kClassBytesEach = sizeof(ClassServers::value_type) + 48;
constexpr std::size_t kServerBytesEach = sizeof(std::optional<KeptData>) + 32;

constexpr char16_t kDwordWord[] = u"dword:";
constexpr char16_t kHexWord[] = u"hex";

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }

std::size_t Size(const KeptData& data) {
    return kServerBytesEach + data.units.size() * sizeof(char16_t) + data.bytes.size();
}

// Two digits and a comma, as regedit writes a byte, or -1.
int HexByte(const char16_t* p) {
    const int high = HexDigit(p[0]), low = HexDigit(p[1]);
    return (high | low) < 0 || p[2] != u',' ? -1 : high << 4 | low;
}

// The length of UTF-8 bytes in UTF-16 units.
std::size_t Utf8Weight(const char16_t* begin, const char16_t* end) {
    std::size_t weight = static_cast<std::size_t>(end - begin);
    if (AllAscii(begin, end)) return weight;
    for (; begin != end; ++begin) {
        if (*begin < 0x80) continue;
        // A continuation byte adds nothing, a lead of four bytes a surrogate pair.
        if (*begin < 0xC0) --weight;
        if (*begin >= 0xF0) ++weight;
    }
    return weight;
}

}  // namespace

ExportParser::ExportParser(const KeptValues& kept, UnitForm form, int firstLine)
    : kept_(&kept), form_(form), line_(firstLine), userHas_(kept.tracked().size(), 0) {
    classRoom_ = kClassBytes;
    for (Layer layer : {kMachineLayer, kUserLayer}) {
        exists_[layer].assign(kept.keys().size(), 0);
        dataAt_[layer].assign(kept.valueCount(), -1);
    }
}

const std::optional<KeptData>& ExportParser::Data(Layer layer, std::size_t value) const {
    static const std::optional<KeptData> kNone;
    const std::int16_t at = dataAt_[layer][value];
    return at < 0 ? kNone : data_[static_cast<std::size_t>(at)];
}

void ExportParser::Fail(const char* what) const { throw RegExportError(line_, what); }

void ExportParser::ShareClassRoom(std::size_t readings) {
    classRoom_ = kClassBytes / readings;
    Account(0);
}

void ExportParser::End() {
    LineEnd();
    if (state_ == State::HexExpect) Fail(kEndsContinued);
}

// The length of the units in UTF-16 units, as Windows counts a name.
std::size_t ExportParser::Weight(const char16_t* begin, const char16_t* end) const {
    const auto units = static_cast<std::size_t>(end - begin);
    return form_ == UnitForm::Utf8Bytes ? Utf8Weight(begin, end) : units;
}

const char16_t* ExportParser::SkipBlanks(const char16_t* p, const char16_t* end) const {
    while (p != end && IsBlank(*p)) ++p;
    return p;
}

void ExportParser::Feed(const char16_t* p, const char16_t* end) {
    // Each state takes as many units as it can, at least one.
    while (p != end) {
        switch (state_) {
            case State::LineStart:
                p = SkipBlanks(p, end);
                if (p == end) continue;
                // A blank line, a third of an export, ends here.
                if (*p == u'\n') {
                    ++line_;
                } else {
                    StartLine(*p);
                }
                ++p;
                continue;
            case State::AfterName:
            case State::DataStart:
            case State::DeleteValue:
            case State::AfterQuotedData:
            case State::DwordEnd:
            case State::HexBackslash:
                p = SkipBlanks(p, end);
                if (p != end) AfterBlanks(*p++);
                continue;
            case State::Comment:
                p = FindFirstOf(p, end, u'\n');
                if (p == end) continue;
                LineFeed();
                ++p;
                continue;
            case State::KeyStart:
                state_ = State::KeyPath;
                if (*p == u'-') {
                    deletion_ = true;
                    lastNonBlank_ = u'-';
                    ++p;
                }
                [[fallthrough]];
            case State::KeyPath: p = KeyPath(p, end); continue;
            case State::Quoted:
            case State::QuotedEscape: p = QuotedText(p, end); continue;
            case State::HexExpect:
            case State::HexDigit1:
            case State::HexDigit2:
            case State::AfterByte: p = HexBytes(p, end); continue;
            default: Token(*p++); continue;
        }
    }
}

// The unit after blanks in a state that skips them.
void ExportParser::AfterBlanks(char16_t c) {
    if (c == u'\n') {
        LineFeed();
        return;
    }
    switch (state_) {
        case State::AfterName:
            if (c != u'=') Fail(kNoEquals);
            if (!inKey_) Fail(kBeforeKey);
            NameEnd();
            state_ = State::DataStart;
            return;
        case State::DataStart: return StartData(c);
        case State::DeleteValue: Fail(kNoKind);
        case State::AfterQuotedData: Fail(kTextAfterQuote);
        case State::DwordEnd:
            if (c != u';') Fail(kBadDword);
            // A comment ends the data.
            LineEnd();
            state_ = State::Comment;
            return;
        default: Fail(kTextAfterBackslash);
    }
}

// One unit of a value's type: "dword:", "hex", "hex(N):" and the digits.
void ExportParser::Token(char16_t c) {
    if (c == u'\n') {
        LineFeed();
        return;
    }
    switch (state_) {
        case State::Word:
            if (FoldAscii(c) != word_[wordAt_]) Fail(kNoKind);
            if (word_[++wordAt_] != 0) return;
            digits_ = 0;
            number_ = 0;
            state_ = word_ == kDwordWord ? State::DwordDigits : State::HexAfterWord;
            return;
        case State::DwordDigits:
        case State::HexType: {
            const int digit = HexDigit(c);
            const char* fault = state_ == State::DwordDigits ? kBadDword : kBadHexType;
            if (digit >= 0) {
                if (++digits_ > 8) Fail(fault);
                number_ = number_ << 4 | static_cast<std::uint32_t>(digit);
                return;
            }
            if (digits_ == 0) Fail(fault);
            if (state_ == State::DwordDigits) {
                // What follows the digits is the end of the data.
                state_ = State::DwordEnd;
                if (!IsBlank(c)) AfterBlanks(c);
                return;
            }
            if (c != u')') Fail(kBadHexType);
            hexType_ = number_;
            state_ = State::HexColon;
            return;
        }
        case State::HexAfterWord:
            if (c == u'(') {
                state_ = State::HexType;
                return;
            }
            hexType_ = kRegBinary;
            [[fallthrough]];
        default:
            if (c != u':') Fail(kNoHexColon);
            hexBytes_.clear();
            state_ = State::HexExpect;
    }
}


void ExportParser::StartLine(char16_t c) {
    switch (c) {
        case u'[':
            deletion_ = false;
            path_.clear();
            pathUnits_ = 0;
            lastNonBlank_ = u'[';
            tailBlanks_ = 0;
            nameWeight_ = 0;
            depth_ = 1;
            pathFault_ = nullptr;
            state_ = State::KeyStart;
            return;
        case u';': state_ = State::Comment; return;
        case u'@':
            name_.clear();
            state_ = State::AfterName;
            return;
        case u'"':
            name_.clear();
            quotedName_ = true;
            collect_ = current_.key >= 0 || current_.server;
            state_ = State::Quoted;
            return;
        default: Fail(kNeitherKeyNorValue);
    }
}

// The first unit of a value's data, after "=" and blanks.
void ExportParser::StartData(char16_t c) {
    switch (c) {
        case u'-': state_ = State::DeleteValue; return;
        case u'"':
            text_.clear();
            quotedName_ = false;
            collect_ = value_ >= 0;
            state_ = State::Quoted;
            return;
        default: break;
    }
    word_ = FoldAscii(c) == kDwordWord[0] ? kDwordWord : FoldAscii(c) == kHexWord[0] ? kHexWord : nullptr;
    if (word_ == nullptr) Fail(kNoKind);
    wordAt_ = 1;
    state_ = State::Word;
}

// The value name just read, among the current key's kept ones. The default
// value of a class's LocalServer32 key is number valueCount().
void ExportParser::NameEnd() {
    value_ = -1;
    if (current_.server && name_.empty()) value_ = static_cast<int>(kept_->valueCount());
    if (current_.key >= 0) KeptValueNamed();
}

void ExportParser::KeptValueNamed() {
    const std::u16string folded = MemoryRegistry::Fold(name_);
    const KeptValues::Key& key = kept_->keys()[static_cast<std::size_t>(current_.key)];
    for (std::size_t value = key.first; value < key.first + key.count; ++value) {
        if (kept_->name(value) == folded) value_ = static_cast<int>(value);
    }
}

const char16_t* ExportParser::KeyPath(const char16_t* p, const char16_t* end) {
    const char16_t* const start = p;
    const char16_t* name = p;
    p = ForEachBefore(p, end, u'\n', u'\\', [&](const char16_t* at) {
        // The key name before it ends; the first fault in the path is the one told.
        nameWeight_ += Weight(name, at);
        if (pathFault_ == nullptr) {
            if (nameWeight_ == 0) {
                pathFault_ = kEmptyName;
            } else if (nameWeight_ > kMaxKeyNameLength) {
                pathFault_ = kLongName;
            } else if (++depth_ > kMaxKeyDepth) {
                pathFault_ = kTooDeep;
            }
        }
        nameWeight_ = 0;
        name = at + 1;
    });
    nameWeight_ += Weight(name, p);
    // Stored up to the longest path that has no fault.
    const std::size_t stored = std::min(path_.size(), kMaxPathUnits);
    path_.append(start, std::min(static_cast<std::size_t>(p - start), kMaxPathUnits - stored));
    pathUnits_ += static_cast<std::size_t>(p - start);

    const char16_t* last = p;
    while (last != start && IsBlank(last[-1])) --last;
    if (last == start) {
        tailBlanks_ += static_cast<std::size_t>(p - start);
    } else {
        tailBlanks_ = static_cast<std::size_t>(p - last);
        lastNonBlank_ = last[-1];
    }
    if (p == end) return p;
    LineFeed();
    return p + 1;
}

void ExportParser::EndKeyLine() {
    inKey_ = true;
    current_ = Current();
    if (lastNonBlank_ != u']') Fail(kNoBracket);
    if (pathFault_ != nullptr) Fail(pathFault_);
    // The last key name ends before the "]" and the blanks after it.
    const std::size_t lastName = nameWeight_ - tailBlanks_ - 1;
    if (lastName == 0) Fail(kEmptyName);
    if (lastName > kMaxKeyNameLength) Fail(kLongName);
    // Without a fault the path was stored whole.
    const std::u16string_view path(path_.data(), pathUnits_ - tailBlanks_ - 1);

    std::u16string_view classPath;
    bool wow64Classes = false;
    const Root root = RootOf(path, classPath, wow64Classes);
    if (root == Root::None) return;
    // Most paths are neither kept, the user's nor deleted: those are folded
    // only when they may be.
    bool isFolded = false;
    const auto folded = [&]() -> const std::u16string& {
        if (!isFolded) {
            folded_.clear();
            if (wow64Classes) folded_.append(kWow64Folded).append(1, u'\\');
            const std::size_t start = folded_.size();
            folded_.append(classPath);
            for (auto c = folded_.begin() + static_cast<std::ptrdiff_t>(start); c != folded_.end(); ++c) *c = FoldAscii(*c);
            isFolded = true;
        }
        return folded_;
    };
    // Whether the line is of the 32-bit view's classes, told from the path as
    // written: making the folded path here cost the reader about a twentieth
    // of its speed. A cheap test first.
    if (!sawWow64_ && !deletion_ && (wow64Classes || (!classPath.empty() && FoldAscii(classPath.front()) == kWow64Folded.front()))) {
        const std::u16string_view first = classPath.substr(0, kWow64Folded.size());
        sawWow64_ = wow64Classes || (EqualsFolded(first, kWow64Folded) &&
                                     (classPath.size() == first.size() || classPath[first.size()] == u'\\'));
    }
    // Through HKEY_CLASSES_ROOT a key is the user's where the user has it,
    // and the machine's otherwise, as Windows writes them.
    const Layer layer = root == Root::Machine                          ? kMachineLayer
                        : root == Root::User                           ? kUserLayer
                        : userHas_.empty() || userHas_.front() == 0    ? kMachineLayer
                        : UserHas(folded())                            ? kUserLayer
                                                                       : kMachineLayer;
    if (deletion_) return DeleteKeys(folded(), layer);
    if (layer == kUserLayer) MarkUser(folded());
    const std::size_t size = classPath.size() + (wow64Classes ? kWow64Folded.size() + 1 : 0);
    if (kept_->HasPathOfSize(size)) {
        const int key = kept_->Find(folded());
        if (key >= 0) {
            exists_[layer][static_cast<std::size_t>(key)] = 1;
            current_ = {key, false, layer};
        }
    }
    // Of the machine's keys only a server key can be a class's: "\\" where
    // its last name would start, and "2" at its end.
    const std::size_t serverAt = classPath.size() - std::min(classPath.size(), kServerFolded.size() + 1);
    const bool mayBeClass = layer == kUserLayer || (classPath.size() > kServerFolded.size() + 1 && classPath[serverAt] == u'\\' &&
                                                    classPath.back() == kServerFolded.back());
    if (mayBeClass && !kept_->classNaming().empty() && !classesDropped_ && ServerKeyLine(folded(), layer)) {
        current_ = {-1, true, layer};
    }
}

// A key line below a class key: the class is kept where the line makes its
// server key, or the user's tree has the key (a deletion through
// HKEY_CLASSES_ROOT goes where that is). Whether the line is the server key
// of the class `serverClass_`.
bool ExportParser::ServerKeyLine(std::u16string_view folded, Layer layer) {
    const ClassPlace place = PlaceOf(folded);
    if (place.kind != ClassPlace::Inside || (layer == kMachineLayer && !place.atServer)) return false;
    ClassServer* made = Class(place.id, true);
    if (made == nullptr) return false;
    serverClass_ = place.id;
    ClassServer& server = Write(place.id, *made, layer);
    if (layer == kUserLayer) server.userClass = true;
    if (place.inServer) server.serverKey[layer] = true;
    return place.atServer;
}

// The class `id` where `layer` of it holds what was written, else null.
const ClassServer* ExportParser::Holding(const ClassId& id, Layer layer) const {
    const auto found = classes_.find(id);
    if (found == classes_.end() || found->second.written[layer] <= cleared_[id.wow64][layer]) return nullptr;
    return &found->second;
}

bool ExportParser::HasServer(const ClassId& id, Layer layer) const {
    const ClassServer* server = Holding(id, layer);
    return server != nullptr && server->serverKey[layer];
}

const std::optional<KeptData>& ExportParser::ServerData(const ClassId& id, Layer layer) const {
    static const std::optional<KeptData> kNone;
    const ClassServer* server = Holding(id, layer);
    return server == nullptr || server->serverAt[layer] < 0 ? kNone
                                                          : serverData_[static_cast<std::size_t>(server->serverAt[layer])];
}

// `layer` of class `id`, about to be written: emptied first where a deletion
// of its view's classes came after it was last written.
ClassServer& ExportParser::Write(const ClassId& id, ClassServer& server, Layer layer) {
    if (server.written[layer] <= cleared_[id.wow64][layer]) {
        server.serverKey[layer] = false;
        if (layer == kUserLayer) server.userClass = false;
        DropServer(server, layer);
    }
    server.written[layer] = ++clock_;
    return server;
}

// Forgets the default value of the server key in `layer`.
void ExportParser::DropServer(ClassServer& server, Layer layer) {
    if (server.serverAt[layer] < 0) return;
    std::optional<KeptData>& data = serverData_[static_cast<std::size_t>(server.serverAt[layer])];
    if (data) Account(-static_cast<std::ptrdiff_t>(Size(*data)));
    data.reset();
}

// The default value of the server key being read, in `layer`, its place
// made when it has none.
std::optional<KeptData>& ExportParser::CurrentServer(Layer layer) {
    std::int32_t& at = classes_.find(serverClass_)->second.serverAt[layer];
    if (at < 0) {
        at = static_cast<std::int32_t>(serverData_.size());
        serverData_.emplace_back();
    }
    return serverData_[static_cast<std::size_t>(at)];
}

// The class `id`, made where `make` says and the classes kept leave room;
// null when there is none.
ClassServer* ExportParser::Class(const ClassId& id, bool make) {
    // An export lists the classes in order: a new one comes after the last,
    // and is placed there without a walk through the tree.
    const bool last = !classes_.empty() && !(id < classes_.rbegin()->first);
    const auto found = last ? std::prev(classes_.end()) : classes_.find(id);
    if (found != classes_.end() && !(found->first < id)) return &found->second;
    if (!make) return nullptr;
    ClassServer& made = classes_.emplace_hint(last ? classes_.end() : found, id, ClassServer())->second;
    Account(static_cast<std::ptrdiff_t>(kClassBytesEach));
    return classesDropped_ ? nullptr : &made;
}

// Counts what the classes take; beyond what the reader keeps, it lets them
// all go, and the servers asked for are then found by reading the file again.
void ExportParser::Account(std::ptrdiff_t bytes) {
    classBytes_ = static_cast<std::size_t>(static_cast<std::ptrdiff_t>(classBytes_) + bytes);
    if (classBytes_ <= classRoom_) return;
    classes_.clear();
    serverData_.clear();
    classBytes_ = 0;
    classesDropped_ = true;
    current_.server = false;
    if (value_ == static_cast<int>(kept_->valueCount())) value_ = -1;
}

// Where the key path lies, with `classPath` set to its path below the class
// keys; None for a key outside them. `wow64Classes`: the path lies below the
// machine's 32-bit classes as HKEY_LOCAL_MACHINE\SOFTWARE\Wow6432Node\Classes,
// which is Wow6432Node below the class keys.
ExportParser::Root ExportParser::RootOf(std::u16string_view path, std::u16string_view& classPath, bool& wow64Classes) const {
    const std::size_t cut = static_cast<std::size_t>(FindFirstOf(path.data(), path.data() + path.size(), u'\\') - path.data());
    const std::u16string_view root = path.substr(0, cut);
    std::u16string_view rest = path.substr(std::min(cut + 1, path.size()));

    // Exports name their roots in capitals.
    if ((root.size() == kClassesRootAsWritten.size() &&
         std::memcmp(root.data(), kClassesRootAsWritten.data(), root.size() * sizeof(char16_t)) == 0) ||
        EqualsFolded(root, kClassesRoot)) {
        classPath = rest;
        return Root::ClassesRoot;
    }
    const bool machine = EqualsFolded(root, kLocalMachine);
    if (machine || EqualsFolded(root, kCurrentUser)) {
        std::u16string_view classes = rest.substr(0, kClassesUnderRoot.size() + 1);
        if (!EqualsFolded(classes, kClassesUnderRoot) && !EqualsFolded(classes, kClassesUnder)) {
            classes = rest.substr(0, kWow64ClassesUnderRoot.size() + 1);
            if (!machine || (!EqualsFolded(classes, kWow64ClassesUnderRoot) && !EqualsFolded(classes, kWow64ClassesUnder))) {
                return Root::None;
            }
            wow64Classes = true;
        }
        classPath = rest.substr(classes.size());
        return machine ? Root::Machine : Root::User;
    }
    for (const std::u16string_view other : kOtherRoots) {
        if (EqualsFolded(root, other)) return Root::None;
    }
    Fail(kNoRoot);
}

// Whether the user has `path`, itself or as the parent of a key there, where
// that decides anything: for a tracked path or a class kept; else no.
bool ExportParser::UserHas(const std::u16string& path) {
    const int tracked = kept_->Tracked(path);
    if (tracked >= 0) return userHas_[static_cast<std::size_t>(tracked)] != 0;
    if (classes_.empty()) return false;
    const ClassPlace place = PlaceOf(path);
    if (place.kind != ClassPlace::Inside) return false;
    const ClassServer* found = Holding(place.id, kUserLayer);
    return found != nullptr && (place.atServer ? found->serverKey[kUserLayer] : place.atClass && found->userClass);
}

// The user's tree has `path`, and so every tracked path at or above it.
void ExportParser::MarkUser(const std::u16string& path) {
    const std::u16string_view view(path);
    for (std::size_t cut = 0;; cut = view.find(u'\\', cut + 1)) {
        const int tracked = kept_->Tracked(view.substr(0, cut));
        if (tracked >= 0) userHas_[static_cast<std::size_t>(tracked)] = 1;
        if (cut == std::u16string_view::npos) return;
    }
}

// Removes `path` and every key below it from `layer`.
void ExportParser::DeleteKeys(std::u16string_view path, Layer layer) {
    for (std::size_t i = 0; i < kept_->keys().size(); ++i) {
        const KeptValues::Key& key = kept_->keys()[i];
        if (!IsAtOrBelow(key.path, path)) continue;
        exists_[layer][i] = 0;
        for (std::size_t value = key.first; value < key.first + key.count; ++value) Drop(layer, value);
    }
    if (layer == kUserLayer) {
        for (std::size_t i = 0; i < userHas_.size(); ++i) {
            if (IsAtOrBelow(kept_->tracked()[i], path)) userHas_[i] = 0;
        }
    }
    // The classes at or below `path`, at once, or the one whose server key it is.
    const ClassPlace place = PlaceOf(path);
    if (place.kind == ClassPlace::Above) {
        for (const bool wow64 : {false, true}) {
            if (place.views[wow64]) cleared_[wow64][layer] = ++clock_;
        }
        return;
    }
    ClassServer* found = place.atClass || place.atServer ? Class(place.id, false) : nullptr;
    if (found == nullptr) return;
    ClassServer& server = Write(place.id, *found, layer);
    server.serverKey[layer] = false;
    DropServer(server, layer);
    if (layer == kUserLayer && place.atClass) server.userClass = false;
}

// A quoted text: "\\" and "\"" are escapes, any other backslash stands for itself.
const char16_t* ExportParser::QuotedText(const char16_t* p, const char16_t* end) {
    std::u16string& into = quotedName_ ? name_ : text_;
    if (state_ == State::QuotedEscape) {
        const bool escape = *p == u'\\' || *p == u'"';
        if (collect_) into += escape ? *p : u'\\';
        state_ = State::Quoted;
        if (escape) ++p;
    }
    const char16_t* const start = p;
    p = FindFirstOf(p, end, u'"', u'\\', u'\n');
    if (collect_) {
        into.append(start, static_cast<std::size_t>(p - start));
        // A name longer than any kept one is not kept, nor more of a text than is read.
        if (quotedName_ && name_.size() > kept_->longestName()) collect_ = false;
        if (!quotedName_ && text_.size() > kKeptUnits) {
            text_.resize(kKeptUnits);
            collect_ = false;
        }
    }
    if (p == end) return p;
    if (*p == u'\n') Fail(kNotClosed);
    state_ = *p == u'\\' ? State::QuotedEscape : quotedName_ ? State::AfterName : State::AfterQuotedData;
    return p + 1;
}

// Comma-separated bytes of one or two hexadecimal digits; a "\" at the end of
// the line continues them on the next.
const char16_t* ExportParser::HexBytes(const char16_t* p, const char16_t* end) {
    const bool kept = value_ >= 0 && hexBytes_.size() < kKeptUnits;
    for (; p != end; ++p) {
        const char16_t c = *p;
        if (c == u'\n') {
            LineFeed();
            return p + 1;
        }
        const int digit = HexDigit(c);
        switch (state_) {
            case State::HexExpect:
                if (IsBlank(c)) continue;
                if (end - p >= 3 && HexByte(p) >= 0) {
                    // Most of an export is bytes of two digits and a comma;
                    // those no one keeps are only checked, in blocks.
                    const char16_t* next = kept ? p : p + HexByteBlocks(p, end);
                    for (int byte; end - next >= 3 && (byte = HexByte(next)) >= 0; next += 3) {
                        if (kept && hexBytes_.size() < kKeptUnits) hexBytes_.push_back(static_cast<std::uint8_t>(byte));
                    }
                    p = next - 1;  // the loop steps on to `next`
                    continue;
                }
                if (c == u'\\') {
                    state_ = State::HexBackslash;
                    return p + 1;
                }
                if (c == u';') break;
                if (digit < 0) Fail(kNotAByte);
                byte_ = digit;
                state_ = State::HexDigit1;
                continue;
            case State::HexDigit1:
            case State::HexDigit2:
                if (digit >= 0) {
                    if (state_ == State::HexDigit2) Fail(kNotAByte);
                    byte_ = byte_ << 4 | digit;
                    state_ = State::HexDigit2;
                    continue;
                }
                PushByte();
                state_ = State::AfterByte;
                [[fallthrough]];
            default:
                if (IsBlank(c)) continue;
                if (c == u',') {
                    state_ = State::HexExpect;
                    continue;
                }
                if (c == u'\\') {
                    state_ = State::HexBackslash;
                    return p + 1;
                }
                if (c != u';') Fail(kNoComma);
                break;
        }
        // A comment ends the data.
        LineEnd();
        state_ = State::Comment;
        return p + 1;
    }
    return p;
}

void ExportParser::PushByte() {
    if (value_ >= 0 && hexBytes_.size() < kKeptUnits) hexBytes_.push_back(static_cast<std::uint8_t>(byte_));
}

// A line feed: the line ends, and the next one starts.
void ExportParser::LineFeed() {
    LineEnd();
    ++line_;
}

// Finishes the line in the state it ends in, and sets the state the next
// line starts in.
void ExportParser::LineEnd() {
    switch (state_) {
        case State::LineStart:
        case State::Comment: break;
        case State::KeyStart:
        case State::KeyPath: EndKeyLine(); break;
        case State::AfterName: Fail(kNoEquals);
        case State::Quoted:
        case State::QuotedEscape: Fail(kNotClosed);
        case State::DataStart:
        case State::Word: Fail(kNoKind);
        case State::DeleteValue:
            if (value_ >= 0) Drop(current_.layer, static_cast<std::size_t>(value_));
            break;
        case State::AfterQuotedData:
            if (value_ >= 0) Keep({kRegSz, true, std::move(text_), {}});
            break;
        case State::DwordDigits:
            if (digits_ == 0) Fail(kBadDword);
            [[fallthrough]];
        case State::DwordEnd:
            if (value_ >= 0) Keep({kRegDword, false, {}, {static_cast<std::uint8_t>(number_), static_cast<std::uint8_t>(number_ >> 8),
                                         static_cast<std::uint8_t>(number_ >> 16), static_cast<std::uint8_t>(number_ >> 24)}});
            break;
        case State::HexAfterWord:
        case State::HexColon: Fail(kNoHexColon);
        case State::HexType: Fail(kBadHexType);
        case State::HexDigit1:
        case State::HexDigit2: PushByte(); [[fallthrough]];
        case State::HexExpect:
        case State::AfterByte:
            if (value_ >= 0) Keep({hexType_, false, {}, std::move(hexBytes_)});
            hexBytes_.clear();
            break;
        case State::HexBackslash:
            state_ = State::HexExpect;
            return;
    }
    state_ = State::LineStart;
}

// The data of the kept value just read.
void ExportParser::Keep(KeptData data) {
    if (value_ == static_cast<int>(kept_->valueCount())) {
        std::optional<KeptData>& server = CurrentServer(current_.layer);
        const std::ptrdiff_t grown = static_cast<std::ptrdiff_t>(Size(data)) -
                                     static_cast<std::ptrdiff_t>(server ? Size(*server) : 0);
        server = std::move(data);
        // Text collected a unit at a time has room to spare.
        server->units.shrink_to_fit();
        return Account(grown);
    }
    std::int16_t& at = dataAt_[current_.layer][static_cast<std::size_t>(value_)];
    if (at < 0) {
        at = static_cast<std::int16_t>(data_.size());
        data_.emplace_back();
    }
    data_[static_cast<std::size_t>(at)] = std::move(data);
}

void ExportParser::Drop(Layer layer, std::size_t value) {
    if (value == kept_->valueCount()) return DropServer(classes_.find(serverClass_)->second, layer);
    const std::int16_t at = dataAt_[layer][value];
    if (at >= 0) data_[static_cast<std::size_t>(at)].reset();
}

}  // namespace runesuka
