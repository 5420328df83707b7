#include "reg_export.h"

#include <algorithm>
#include <memory>
#include <optional>
#include <string_view>

#include "ascii_text.h"
#include "automation_servers.h"
#include "export_parser.h"
#include "export_text.h"
#include "registry_reader.h"

namespace runesuka {
namespace {

constexpr std::u16string_view kVersion5Header = u"Windows Registry Editor Version 5.00";
constexpr std::u16string_view kVersion4Header = u"REGEDIT4";

// Read a chunk at a time; a first line longer than a header line can be is no export's.
constexpr std::size_t kChunkBytes = std::size_t{1} << 18;
constexpr std::size_t kFirstLineBytes = 4096;
constexpr std::size_t kSliceBytes = std::size_t{1} << 15;
// How much of a first line a message shows.
constexpr std::size_t kShownUnits = 60;

struct Archive {
    std::string_view magic;
    const char* name;
};
const Archive kArchives[] = {
    {std::string_view("\x1F\x8B", 2), "a gzip archive"},
    {std::string_view("PK\x03\x04", 4), "a ZIP archive"},
    {std::string_view("7z\xBC\xAF\x27\x1C", 6), "a 7-Zip archive"},
    {std::string_view("Rar!\x1A\x07", 6), "a RAR archive"},
    {std::string_view("\xFD" "7zXZ\0", 6), "an xz archive"},
    {std::string_view("BZh", 3), "a bzip2 archive"},
    {std::string_view("\x28\xB5\x2F\xFD", 4), "a Zstandard archive"},
    {std::string_view("MSCF", 4), "a cabinet archive"},
};

constexpr std::uint32_t kRegMultiSz = 7;

std::u16string_view Trim(std::u16string_view text) {
    const auto blank = [](char16_t c) { return c == u' ' || c == u'\t'; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    return text;
}

// The start of a line, for a message in ASCII: what is not printable ASCII as an escape.
std::string Shown(std::u16string_view line, bool wide) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string shown;
    for (const char16_t c : line.substr(0, kShownUnits)) {
        if (c == u'"' || c == u'\\') {
            shown += '\\';
            shown += static_cast<char>(c);
        } else if (c >= 0x20 && c < 0x7F) {
            shown += static_cast<char>(c);
        } else if (wide) {
            shown += {'\\', 'u', kHex[c >> 12], kHex[(c >> 8) & 0xF], kHex[(c >> 4) & 0xF], kHex[c & 0xF]};
        } else {
            shown += {'\\', 'x', kHex[(c >> 4) & 0xF], kHex[c & 0xF]};
        }
    }
    if (line.size() > kShownUnits) shown += "...";
    return shown;
}

// UTF-16 LE: with its byte-order mark, or a first character that is ASCII (an
// export's first line is).
bool StartsAsUtf16(std::string_view head) {
    return head.substr(0, 2) == "\xFF\xFE" || (head.size() >= 2 && head[0] != 0 && head[1] == 0);
}

// Text written as hex: UTF-16 LE in a version 5 export (a last odd byte is
// dropped), ANSI already in a REGEDIT4 one.
std::vector<std::uint8_t> HexTextData(const std::vector<std::uint8_t>& bytes, bool version5,
                                      const AnsiCodePage& codePage) {
    if (!version5) return bytes;
    std::u16string text;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) text += static_cast<char16_t>(bytes[i] | bytes[i + 1] << 8);
    const std::string ansi = codePage.ToAnsi(text);
    return std::vector<std::uint8_t>(ansi.begin(), ansi.end());
}

// One reading of the file's bytes: their units, and the parser of them.
struct Reading {
    UnitDecoder decoder;
    ExportParser parser;
    std::optional<RegExportError> error;
};

}  // namespace

class ExportReader {
public:
    ExportReader(const KeptValues& kept, const AnsiCodePage& codePage) : kept_(kept), codePage_(codePage) {}

    // Reads `source` into `registry`; false where the servers of the classes
    // it names cannot all be known.
    bool Load(ByteSource& source, MemoryRegistry& registry) {
        Read(source, kept_);
        MoveInto(registry);
        const ExportParser& parser = readings_.front().parser;
        // Without a class met, no server is there to find.
        if (kept_.classNaming().empty() || (!parser.classesMet() && !parser.classesDropped())) return true;
        const std::vector<ClassId> named = NamedClasses(registry);
        if (!parser.classesDropped()) {
            MoveServers(named, parser, registry);
            return true;
        }
        if (named.empty()) return true;
        // The classes met before the file named them were let go: a second
        // reading keeps the servers of those it names, and no other.
        if (!source.Rewind()) return false;
        const KeptValues again = kept_.WithServerKeys(named);
        Read(source, again);
        registry.Clear();
        MoveInto(registry);
        return true;
    }

private:
    // Reads `source` whole, keeping `kept`: the parsers refer to it until the next reading.
    void Read(ByteSource& source, const KeptValues& kept) {
        file_ = File();
        file_.source = &source;
        bytes_ = firstBytes_;
        const std::size_t start = Header(kept);
        Take(bytes_ + start, file_.size - start);
        for (std::size_t capacity = kFirstLineBytes, got;;) {
            if ((got = source.Read(bytes_, capacity)) == 0) break;
            Take(bytes_, got);
            if (got == capacity && capacity < kChunkBytes) {
                if (chunk_ == nullptr) chunk_.reset(new char[kChunkBytes]);
                bytes_ = chunk_.get();
                capacity = kChunkBytes;
            }
        }
        Finish();
    }

    // The class keys as HKEY_CLASSES_ROOT shows them: the keys of both, and
    // in a key both have, the user's value where both have one of that name.
    void MoveInto(MemoryRegistry& registry) const {
        const ExportParser& parser = readings_.front().parser;
        const KeptValues& kept = parser.kept();
        for (const Layer layer : {kMachineLayer, kUserLayer}) {
            for (std::size_t i = 0; i < kept.keys().size(); ++i) {
                if (!parser.Has(layer, i)) continue;
                const KeptValues::Key& key = kept.keys()[i];
                MemoryRegistry::Values values;
                for (std::size_t value = key.first; value < key.first + key.count; ++value) {
                    if (const auto& data = parser.Data(layer, value)) values[kept.name(value)] = Value(*data, parser.form());
                }
                registry.MergeFoldedKey(key.path, std::move(values));
            }
        }
        registry.SetViews(parser.sawWow64() ? RegistryViews::Two : RegistryViews::One);
    }

    // The classes the loaded values name, in both views, as the check reads
    // those values.
    std::vector<ClassId> NamedClasses(MemoryRegistry& registry) const {
        const RegistryReader reader(registry, codePage_);
        std::vector<ClassId> classes;
        for (const ClassesValue& value : kept_.classNaming()) {
            const RegVariant text = reader.RegGetValue(kHKeyClassesRoot, value.key, value.name, kReadAsText, std::u16string());
            const std::u16string& name = std::get<std::u16string>(text);
            if (!IsClassName(name)) continue;
            for (const bool wow64 : {false, true}) {
                const ClassId id = ClassIdOf(name, wow64);
                if (std::find(classes.begin(), classes.end(), id) == classes.end()) classes.push_back(id);
            }
        }
        return classes;
    }

    // The server keys of the `named` classes that the reading kept.
    void MoveServers(const std::vector<ClassId>& named, const ExportParser& parser, MemoryRegistry& registry) const {
        for (const ClassId& id : named) {
            for (const Layer layer : {kMachineLayer, kUserLayer}) {
                if (!parser.HasServer(id, layer)) continue;
                MemoryRegistry::Values values;
                if (const auto& data = parser.ServerData(id, layer)) values[std::u16string()] = Value(*data, parser.form());
                registry.MergeFoldedKey(ServerKeyOf(id), std::move(values));
            }
        }
    }

    MemoryRegistry::Value Value(const KeptData& data, UnitForm form) const {
        // ASCII, as the check's values are, is itself in every form and code page.
        if (data.quoted && IsAscii(data.units)) {
            std::vector<std::uint8_t> bytes(data.units.begin(), data.units.end());
            bytes.push_back(0);
            return {data.type, std::move(bytes)};
        }
        if (data.quoted) return {data.type, AnsiTextData(codePage_, DecodeUnits(data.units, form, codePage_))};
        const bool isText = data.type == kRegSz || data.type == kRegExpandSz || data.type == kRegMultiSz;
        return {data.type, isText ? HexTextData(data.bytes, file_.version5, codePage_) : data.bytes};
    }

    // Reads the first line and tells the file's form from the bytes before
    // it; returns where the second line starts.
    std::size_t Header(const KeptValues& kept) {
        for (std::size_t got = 1; got > 0 && file_.size < kFirstLineBytes && !FirstLineRead();) {
            got = file_.source->Read(bytes_ + file_.size, kFirstLineBytes - file_.size);
            file_.size += got;
        }
        const std::string_view head(bytes_, file_.size);
        if (head.empty()) throw RegExportError(1, "not a registry export: the file is empty");
        for (const Archive& archive : kArchives) {
            if (head.substr(0, archive.magic.size()) == archive.magic) {
                throw RegExportError(1, std::string("not a registry export: ") + archive.name);
            }
        }

        std::size_t at = 0;
        UnitForm form = UnitForm::Utf8Bytes;
        const char* kind = "8-bit text";
        if (head.substr(0, 2) == "\xFF\xFE") {
            at = 2;
        } else if (head.substr(0, 3) == "\xEF\xBB\xBF") {
            at = 3;
            file_.decided = true;
            kind = "UTF-8 text";
        }
        if (StartsAsUtf16(head)) {
            form = UnitForm::Utf16;
            file_.decided = true;
            kind = "UTF-16 text";
        }

        std::u16string line;
        const std::size_t width = form == UnitForm::Utf16 ? 2 : 1;
        for (; at + width <= head.size(); at += width) {
            const auto low = static_cast<unsigned char>(head[at]);
            const char16_t c = width == 2 ? static_cast<char16_t>(low | static_cast<unsigned char>(head[at + 1]) << 8) : low;
            if (c == u'\n') {
                at += width;
                break;
            }
            line += c;
        }
        if (!line.empty() && line.back() == u'\r') line.pop_back();
        const std::u16string_view header = Trim(line);
        if (header != kVersion5Header && header != kVersion4Header) {
            const bool binary = std::any_of(line.begin(), line.end(), [](char16_t c) {
                return (c < 0x20 && c != u'\t') || c == 0x7F;
            });
            throw RegExportError(1, std::string("not a registry export: ") +
                                        (binary ? "binary data"
                                                : std::string(kind) + " whose first line is \"" +
                                                      Shown(line, form == UnitForm::Utf16) + "\", neither \"" +
                                                      std::string(kVersion5Header.begin(), kVersion5Header.end()) +
                                                      "\" nor \"REGEDIT4\""));
        }
        file_.version5 = header == kVersion5Header;
        // The first reading's decoder keeps its buffer from file to file.
        if (readings_.empty()) {
            readings_.push_back({UnitDecoder(form, codePage_), ExportParser(kept, form, 2), std::nullopt});
        } else {
            readings_.erase(readings_.begin() + 1, readings_.end());
            readings_.front().decoder.Restart(form);
            readings_.front().parser = ExportParser(kept, form, 2);
            readings_.front().error.reset();
        }
        return at;
    }

    // Whether the bytes read so far hold the first line's line feed, in UTF-16
    // when they start as UTF-16 text does.
    bool FirstLineRead() const {
        const std::string_view head(bytes_, file_.size);
        if (head.size() < 2) return false;
        if (!StartsAsUtf16(head)) return head.find('\n') != std::string_view::npos;
        for (std::size_t at = 0; at + 1 < head.size(); at += 2) {
            if (head[at] == '\n' && head[at + 1] == 0) return true;
        }
        return false;
    }

    void Take(const char* bytes, std::size_t size) {
        if (!file_.decided) {
            if (!file_.utf8.Take(bytes, size)) {
                DecideAnsi();
            } else if (file_.utf8.sawNonAscii() && readings_.size() == 1) {
                // The two readings part at the first byte that is not ASCII;
                // each goes on until the bytes tell which the file is.
                readings_.push_back(readings_.front());
                SetForm(readings_.back(), UnitForm::AnsiChars);
                for (Reading& reading : readings_) reading.parser.ShareClassRoom(readings_.size());
            }
        }
        for (Reading& reading : readings_) {
            // A slice at a time, so that its units are still in the nearer
            // caches of the processor when the parser reads them.
            for (std::size_t at = 0; at < size && !reading.error; at += kSliceBytes) {
                const std::u16string_view units = reading.decoder.Decode(bytes + at, std::min(kSliceBytes, size - at));
                Parse(reading, [&] { reading.parser.Feed(units.data(), units.data() + units.size()); });
            }
        }
    }

    void Finish() {
        for (Reading& reading : readings_) {
            if (reading.error) continue;
            Parse(reading, [&] {
                if (reading.decoder.cut()) {
                    throw RegExportError(reading.parser.line(), "the file ends inside a UTF-16 character");
                }
                const std::u16string_view units = reading.decoder.Finish();
                reading.parser.Feed(units.data(), units.data() + units.size());
                reading.parser.End();
            });
        }
        if (!file_.decided && !(file_.utf8.Complete() && file_.utf8.sawNonAscii())) DecideAnsi();
        // Whole UTF-8 with text that is not ASCII: the first reading.
        readings_.erase(readings_.begin() + 1, readings_.end());
        if (readings_.front().error) throw *readings_.front().error;
    }

    // A reading's first error ends it; while the file's form is open the other
    // reading goes on.
    template <typename Work>
    void Parse(Reading& reading, Work work) {
        try {
            work();
        } catch (const RegExportError& error) {
            if (readings_.size() == 1) throw;
            reading.error = error;
        }
    }

    void DecideAnsi() {
        file_.decided = true;
        if (readings_.size() > 1) {
            readings_.erase(readings_.begin());
            readings_.front().parser.ShareClassRoom(1);
        } else {
            // Every byte so far was ASCII, which reads the same in either form.
            SetForm(readings_.front(), UnitForm::AnsiChars);
        }
        if (readings_.front().error) throw *readings_.front().error;
    }

    static void SetForm(Reading& reading, UnitForm form) {
        reading.decoder.SetForm(form);
        reading.parser.SetForm(form);
    }

    // What is known of the file being read; each file starts afresh.
    struct File {
        ByteSource* source = nullptr;
        std::size_t size = 0;  // bytes read while looking for the first line
        bool version5 = false;
        bool decided = false;  // whether the form of the bytes is known
        Utf8Check utf8;
    };

    const KeptValues& kept_;
    const AnsiCodePage& codePage_;
    File file_;
    // The buffers serve file after file: small files, read many at a time,
    // take little from the heap.
    char firstBytes_[kFirstLineBytes];
    std::unique_ptr<char[]> chunk_;
    char* bytes_ = firstBytes_;
    std::vector<Reading> readings_;  // two while 8-bit text may be UTF-8 or ANSI: UTF-8 first
};

RegExportReader::RegExportReader(const KeptValues& kept, const AnsiCodePage& codePage)
    : reader_(std::make_unique<ExportReader>(kept, codePage)) {}

RegExportReader::~RegExportReader() = default;

bool RegExportReader::Load(ByteSource& source, MemoryRegistry& registry) { return reader_->Load(source, registry); }

bool LoadRegExport(ByteSource& source, const KeptValues& kept, const AnsiCodePage& codePage,
                   MemoryRegistry& registry) {
    return RegExportReader(kept, codePage).Load(source, registry);
}

}  // namespace runesuka
