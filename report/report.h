// runesuka-report: the window's check for scripts, management tools and
// support desks, on this machine's registry or on registry export files.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "ansi_code_page.h"
#include "byte_source.h"
#include "registry_api.h"

namespace runesuka::report {

inline constexpr int kUsageError = 2;
inline constexpr int kUnreadableFile = 3;
inline constexpr int kUnexpectedError = 1;

// Thrown by a host's ByteSource that cannot go on: why, for after the file's name.
class ReadFailure {
public:
    explicit ReadFailure(std::u16string why) : why_(std::move(why)) {}
    const std::u16string& why() const { return why_; }

private:
    std::u16string why_;
};

// What the report needs of the platform it runs on.
class ReportHost {
public:
    virtual ~ReportHost() = default;
    // The machine's own registry; null where there is none.
    virtual RegistryApi* LiveRegistry() = 0;
    // Its views: two on 64-bit Windows.
    virtual RegistryViews LiveViews() = 0;
    // The system ANSI code page: the registry calls' and REGEDIT4 files' one.
    virtual const AnsiCodePage& CodePage() = 0;
    // Opens the file named by argument number `argument`; null, with `error`
    // saying why, when it cannot.
    virtual std::unique_ptr<ByteSource> OpenFile(std::size_t argument, std::u16string& error) = 0;
    // Standard input, the file named "-".
    virtual ByteSource& StandardInput() = 0;
    // One line of standard output or standard error, without its line break.
    virtual void Out(const std::u16string& line) = 0;
    virtual void Err(const std::u16string& line) = 0;
};

// Runs the report for the command-line arguments (the program name not
// among them) and returns the exit status.
int RunReport(const std::vector<std::u16string>& args, ReportHost& host);

}  // namespace runesuka::report
