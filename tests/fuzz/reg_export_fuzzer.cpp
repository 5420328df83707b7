// libFuzzer target: a registry export file as it comes, through the reader and
// then the report, as runesuka-report --from-reg takes it (8-bit text that is
// not UTF-8 in CP932). Whatever the bytes, the reader loads them or names a
// line of them, the same whether it gets them whole or a byte at a time, and
// the report of what it loaded is one line of plain ASCII.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "automation_servers.h"
#include "check_sequence.h"
#include "chunked_source.h"
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

const runesuka::IconvCodePage& Cp932() {
    static const runesuka::IconvCodePage cp932("CP932");
    return cp932;
}

// The report's JSON line of the file read in chunks of `chunk` bytes, or its error as "line: what".
std::string Outcome(std::string_view bytes, std::size_t chunk) {
    static const runesuka::KeptValues checked(runesuka::CheckedValues(), runesuka::ClassNamingValues());
    runesuka::MemoryRegistry registry(Cp932());
    runesuka::testing::ChunkedSource source(bytes, {chunk});
    try {
        Require(runesuka::LoadRegExport(source, checked, Cp932(), registry), "a file can be read again");
    } catch (const runesuka::RegExportError& error) {
        // A line of the file: no more lines than bytes, the one after the last at most.
        Require(error.line() >= 1 && static_cast<std::size_t>(error.line()) <= bytes.size() + 1, "the error names a line");
        Require(registry.opens() == 0, "nothing is read from a file that failed");
        return std::to_string(error.line()) + ": " + error.what();
    }

    const runesuka::report::MachineReport report = runesuka::report::ReportMachine(registry, Cp932(), registry.views());
    Require(registry.openHandles() == 0, "every key opened is closed");
    const std::string json = runesuka::report::JsonLine(u"fuzz.reg", report);
    for (const char c : json) Require(c >= 0x20 && c < 0x7F, "the JSON line is printable ASCII");
    Require(!runesuka::report::TextLines(report).empty(), "the text report has lines");
    return json;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    // A byte at a time cuts every line, UTF-16 unit and double-byte character.
    Require(Outcome(bytes, size + 1) == Outcome(bytes, 1), "reads cut anywhere give the same outcome");
    return 0;
}
