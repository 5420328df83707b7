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

std::string JsonText(const std::optional<std::u16string>& text) { return text ? JsonString(*text) : "null"; }

std::string JsonProduct(const ProductReport& product) {
    std::string versions;
    for (const int version : product.versions) {
        versions += (versions.empty() ? "" : ", ") + std::to_string(version);
    }
    return "{\"versions\": [" + versions + "], \"line\": " + JsonString(product.line) +
           ", \"last_used\": " + JsonText(product.lastUsed) + ", \"index\": " + JsonString(product.index) + "}";
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
    return "{\"source\": " + JsonString(source) + ", \"code\": " + JsonString(report.code) + ", \"outcome\": \"" +
           OutcomeOf(report.outcome).name + "\", \"type\": " + JsonString(report.type) +
           ", \"advice\": " + JsonString(report.advice) + ", \"runtime\": " + JsonText(report.runtime) +
           ", \"access\": " + JsonProduct(report.access) + ", \"excel\": " + JsonProduct(report.excel) + "}";
}

std::string JsonString(const std::u16string& text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out = "\"";
    out.reserve(text.size() * 6 + 2);
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
    return out + "\"";
}

}  // namespace runesuka::report
