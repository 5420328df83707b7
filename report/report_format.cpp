#include "report_format.h"

#include <algorithm>
#include <iterator>
#include <optional>

#include "check_sequence.h"

namespace runesuka::report {
namespace {

constexpr std::u16string_view kLineBreak = u"\r\n";
// A product's servers on one line:
// "Excel のオートメーション サーバー: 64 ビット版 C:\…\EXCEL.EXE、32 ビット版 C:\…".
constexpr std::u16string_view kServersOf = u" のオートメーション サーバー: ";
constexpr std::u16string_view kServerBits = u" ビット版 ";
constexpr std::u16string_view kServerSeparator = u"、";

// A field's text as lines: split at CR LF, a final CR LF ending the last line.
void AppendLines(std::vector<std::u16string>& lines, std::u16string_view text) {
    if (text.size() >= kLineBreak.size() && text.substr(text.size() - kLineBreak.size()) == kLineBreak) {
        text.remove_suffix(kLineBreak.size());
    }
    for (std::size_t start = 0;;) {
        const std::size_t end = text.find(kLineBreak, start);
        lines.emplace_back(text.substr(start, end == std::u16string_view::npos ? end : end - start));
        if (end == std::u16string_view::npos) return;
        start = end + kLineBreak.size();
    }
}

void AppendProduct(std::vector<std::u16string>& lines, const char16_t* name, const ProductReport& product) {
    AppendLines(lines, product.line);
    if (product.lastUsed) AppendLines(lines, *product.lastUsed);
    if (!product.servers || product.servers->empty()) return;
    std::u16string line = std::u16string(name) + std::u16string(kServersOf);
    for (const AutomationServer& server : *product.servers) {
        if (&server != &product.servers->front()) line += kServerSeparator;
        const std::string bits = std::to_string(server.bits);
        line.append(bits.begin(), bits.end()).append(kServerBits).append(server.path);
    }
    lines.push_back(std::move(line));
}

// A JSON string of `text`, in ASCII, appended to `out`: written in place,
// with room for every unit escaped, and cut to what it took.
void AppendJsonString(std::string& out, std::u16string_view text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    constexpr std::size_t kLongestEscape = 6;
    const std::size_t start = out.size();
    out.resize(start + kLongestEscape * text.size() + 2);
    char* to = &out[start];
    *to++ = '"';
    for (const char16_t c : text) {
        if (c >= 0x20 && c < 0x7F && c != u'"' && c != u'\\') {
            *to++ = static_cast<char>(c);
            continue;
        }
        *to++ = '\\';
        switch (c) {
            case u'"':
            case u'\\': *to++ = static_cast<char>(c); break;
            case u'\r': *to++ = 'r'; break;
            case u'\n': *to++ = 'n'; break;
            case u'\t': *to++ = 't'; break;
            default:
                *to++ = 'u';
                for (int shift = 12; shift >= 0; shift -= 4) *to++ = kHex[(c >> shift) & 0xF];
        }
    }
    *to++ = '"';
    out.resize(static_cast<std::size_t>(to - out.data()));
}

void AppendJsonText(std::string& out, const std::optional<std::u16string>& text) {
    if (text) {
        AppendJsonString(out, *text);
    } else {
        out += "null";
    }
}

void AppendJsonProduct(std::string& out, const ProductReport& product) {
    out += "{\"versions\": [";
    for (std::size_t i = 0; i < product.versions.size(); ++i) {
        if (i > 0) out += ", ";
        out += std::to_string(product.versions[i]);
    }
    out += "], \"line\": ";
    AppendJsonString(out, product.line);
    out += ", \"last_used\": ";
    AppendJsonText(out, product.lastUsed);
    out += ", \"index\": ";
    AppendJsonString(out, product.index);
    out += ", \"servers\": ";
    if (!product.servers) {
        out += "null}";
        return;
    }
    out += '[';
    for (const AutomationServer& server : *product.servers) {
        if (&server != &product.servers->front()) out += ", ";
        out.append("{\"bits\": ").append(std::to_string(server.bits)).append(", \"path\": ");
        AppendJsonString(out, server.path);
        out += '}';
    }
    out += "]}";
}

}  // namespace

const Outcome kOutcomes[6] = {
    {MachineType::TypeR, "type-r", 0},
    {MachineType::TypeV, "type-v", 0},
    {MachineType::OldAccess, "old-access", 10},
    {MachineType::ExcelMissing, "excel-missing", 11},
    {MachineType::AccessMissing, "access-missing", 12},
    {MachineType::NotInstallable, "not-installable", 13},
};

const Outcome& OutcomeOf(MachineType type) {
    return *std::find_if(std::begin(kOutcomes), std::end(kOutcomes), [&](const Outcome& o) { return o.type == type; });
}

std::vector<std::u16string> TextLines(const MachineReport& report) {
    std::vector<std::u16string> lines;
    AppendLines(lines, report.type);
    if (report.runtime) AppendLines(lines, *report.runtime);
    AppendLines(lines, report.advice);
    AppendProduct(lines, kAccessProduct, report.access);
    AppendProduct(lines, kExcelProduct, report.excel);
    return lines;
}

std::string JsonLine(const std::u16string& source, const MachineReport& report) {
    std::string line = "{\"source\": ";
    // A typical line, with its escapes, in one allocation, of a size the heap
    // keeps at hand.
    line.reserve(1000);
    AppendJsonString(line, source);
    line += ", \"code\": ";
    AppendJsonString(line, report.code);
    line.append(", \"outcome\": \"").append(OutcomeOf(report.outcome).name).append("\", \"type\": ");
    AppendJsonString(line, report.type);
    line += ", \"advice\": ";
    AppendJsonString(line, report.advice);
    line += ", \"runtime\": ";
    AppendJsonText(line, report.runtime);
    line += ", \"access\": ";
    AppendJsonProduct(line, report.access);
    line += ", \"excel\": ";
    AppendJsonProduct(line, report.excel);
    line += '}';
    return line;
}

std::string JsonString(const std::u16string& text) {
    std::string out;
    AppendJsonString(out, text);
    return out;
}

}  // namespace runesuka::report
