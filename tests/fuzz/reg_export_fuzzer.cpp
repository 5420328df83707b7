// libFuzzer target: a registry export file as it comes, through the reader and
// then the report, as runesuka-report --from-reg takes it (REGEDIT4 in CP932).
// Whatever the bytes, the reader loads them or names a line of them, and the
// report of what it loaded is one line of plain ASCII.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "iconv_code_page.h"
#include "machine_report.h"
#include "memory_registry.h"
#include "reg_export.h"
#include "report_format.h"

namespace {

// An abort is what libFuzzer reports and keeps the input of.
void Require(bool holds, const char* invariant) {
    if (holds) return;
    std::fprintf(stderr, "broken invariant: %s\n", invariant);
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const runesuka::IconvCodePage cp932("CP932");
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    runesuka::MemoryRegistry registry(cp932);
    try {
        runesuka::LoadRegExport(bytes, cp932, registry);
    } catch (const runesuka::RegExportError& error) {
        // A line of the file: no more lines than bytes, the one after the last at most.
        Require(error.line() >= 1 && static_cast<std::size_t>(error.line()) <= size + 1, "the error names a line");
        Require(registry.opens() == 0, "nothing is read from a file that failed");
        return 0;
    }

    const runesuka::report::MachineReport report = runesuka::report::ReportMachine(registry, cp932);
    Require(registry.openHandles() == 0, "every key opened is closed");
    const std::string json = runesuka::report::JsonLine(u"fuzz.reg", report);
    for (const char c : json) Require(c >= 0x20 && c < 0x7F, "the JSON line is printable ASCII");
    Require(!runesuka::report::TextLines(report).empty(), "the text report has lines");
    return 0;
}
