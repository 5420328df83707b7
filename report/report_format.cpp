#include "report_format.h"

#include <algorithm>
#include <iterator>
#include <optional>

namespace runesuka::report {
namespace {

constexpr std::u16string_view kLineBreak = u"\r\n";

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

void AppendProduct(std::vector<std::u16string>& lines, const ProductReport& product) {
    AppendLines(lines, product.line);
    if (product.lastUsed) AppendLines(lines, *product.lastUsed);
}

// A JSON string of `text`, in ASCII, appended to `out`.
void AppendJsonString(std::string& out, std::u16string_view text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    out += '"';
    for (const char16_t c : text) {
        switch (c) {
            case u'"': out += "\\\""; break;
            case u'\\': out += "\\\\"; break;
            case u'\r': out += "\\r"; break;
            case u'\n': out += "\\n"; break;
            case u'\t': out += "\\t"; break;
            default:
                if (c >= 0x20 && c < 0x7F) {
                    out += static_cast<char>(c);
                } else {
                    const char escape[] = {'\\', 'u', kHex[c >> 12], kHex[(c >> 8) & 0xF], kHex[(c >> 4) & 0xF],
                                           kHex[c & 0xF]};
                    out.append(escape, sizeof escape);
                }
        }
    }
    out += '"';
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
    out += '}';
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
    AppendProduct(lines, report.access);
    AppendProduct(lines, report.excel);
    return lines;
}

std::string JsonLine(const std::u16string& source, const MachineReport& report) {
    std::string line = "{\"source\": ";
    line.reserve(1024);  // a typical line, with its escapes, in one allocation
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
