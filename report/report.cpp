#include "report.h"

#include <algorithm>
#include <exception>
#include <iterator>
#include <optional>

#include "check_sequence.h"
#include "machine_report.h"
#include "memory_registry.h"
#include "automation_servers.h"
#include "reg_export.h"
#include "report_format.h"

namespace runesuka::report {
namespace {

constexpr std::u16string_view kProgram = u"runesuka-report";
constexpr std::u16string_view kHelpOptions[] = {u"/?", u"-h", u"--help"};
constexpr std::u16string_view kJsonOption = u"--json";
constexpr std::u16string_view kFromRegOption = u"--from-reg";
constexpr std::u16string_view kStandardInput = u"-";
const std::u16string kRegistrySource = u"registry";
const std::u16string kServersUnknown =
    u"the automation servers are not known: the export holds more servers than are kept before the classes it "
    u"names, and standard input cannot be read again (name the file instead)";

constexpr std::u16string_view kUsage[] = {
    u"Usage: runesuka-report [--json] [--from-reg FILE...]",
    u"Runs the check of the Runesuka window without a window and prints what it would show.",
    u"  --json             one line of JSON per machine, in ASCII",
    u"  --from-reg FILE... registry export files (regedit /e, reg export) instead of this",
    u"                     machine's registry; each file is one machine, - standard input",
    u"  -h, --help, /?     this help",
};

std::u16string Widen(const std::string& ascii) { return std::u16string(ascii.begin(), ascii.end()); }

struct Options {
    bool help = false;
    bool json = false;
    bool fromReg = false;
    std::vector<std::size_t> files;  // argument numbers
    std::u16string error;
};

Options Parse(const std::vector<std::u16string>& args) {
    Options options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::u16string& arg = args[i];
        if (std::find(std::begin(kHelpOptions), std::end(kHelpOptions), arg) != std::end(kHelpOptions)) {
            options.help = true;
        } else if (arg == kJsonOption) {
            options.json = true;
        } else if (arg == kFromRegOption) {
            options.fromReg = true;
        } else if (!arg.empty() && arg.front() == u'-' && arg != kStandardInput) {
            options.error = u"unknown option " + arg;
        } else if (options.fromReg) {
            // Standard input ends once: a second "-" would read an empty machine.
            if (arg == kStandardInput && std::any_of(options.files.begin(), options.files.end(),
                                                     [&](std::size_t file) { return args[file] == kStandardInput; })) {
                options.error = u"standard input (-) can be named only once";
            }
            options.files.push_back(i);
        } else {
            options.error = u"unexpected argument " + arg + u" (export files follow --from-reg)";
        }
        if (!options.error.empty()) return options;
    }
    if (options.fromReg && options.files.empty() && !options.help) options.error = u"--from-reg needs a FILE";
    return options;
}

void PrintUsage(ReportHost& host) {
    for (const std::u16string_view line : kUsage) host.Out(std::u16string(line));
    std::u16string statuses = u"Exit status:";
    for (const Outcome& outcome : kOutcomes) {
        statuses += u" " + Widen(std::to_string(outcome.exitStatus)) + u" " + Widen(outcome.name) + u",";
    }
    host.Out(statuses);
    host.Out(u"  with several files 0 when every file was read; 2 a usage error; 3 a file that cannot be read");
    host.Out(u"  or is not a registry export; 1 an unexpected error.");
}

class Run {
public:
    Run(const Options& options, ReportHost& host) : options_(options), host_(host) {}

    int Registry() {
        RegistryApi* registry = host_.LiveRegistry();
        if (registry == nullptr) {
            host_.Err(std::u16string(kProgram) + u": there is no registry here; name export files with --from-reg");
            return kUsageError;
        }
        const MachineReport report = ReportMachine(*registry, host_.CodePage(), host_.LiveViews());
        Print(kRegistrySource, report);
        return OutcomeOf(report.outcome).exitStatus;
    }

    int Files(const std::vector<std::u16string>& args) {
        int status = 0;
        std::optional<MachineType> onlyOutcome;
        const KeptValues checked(CheckedValues(), ClassNamingValues());
        // One reader and one registry serve every file, in turn.
        RegExportReader reader(checked, host_.CodePage());
        MemoryRegistry registry(host_.CodePage());
        for (const std::size_t argument : options_.files) {
            const std::u16string& name = args[argument];
            registry.Clear();
            std::optional<RegistryViews> views;
            if (!Load(argument, name, reader, registry, views)) {
                status = kUnreadableFile;
                continue;
            }
            const MachineReport report = ReportMachine(registry, host_.CodePage(), views);
            if (!options_.json && printed_ > 0) host_.Out(u"");
            if (!options_.json) host_.Out(name);
            Print(name, report);
            onlyOutcome = report.outcome;
        }
        if (options_.files.size() == 1 && onlyOutcome) return OutcomeOf(*onlyOutcome).exitStatus;
        return status;
    }

private:
    // Reads the export named by `argument` into `registry`, keeping what the
    // check reads, with `views` set to its registry's views where its servers
    // are known; false, said on stderr, when it cannot.
    bool Load(std::size_t argument, const std::u16string& name, RegExportReader& reader, MemoryRegistry& registry,
              std::optional<RegistryViews>& views) {
        if (name == kStandardInput) return Load(host_.StandardInput(), name, reader, registry, views);
        std::u16string error;
        const std::unique_ptr<ByteSource> file = host_.OpenFile(argument, error);
        if (file == nullptr) {
            host_.Err(name + u": " + error);
            return false;
        }
        return Load(*file, name, reader, registry, views);
    }

    bool Load(ByteSource& source, const std::u16string& name, RegExportReader& reader, MemoryRegistry& registry,
              std::optional<RegistryViews>& views) {
        try {
            if (reader.Load(source, registry)) {
                views = registry.views();
            } else {
                host_.Err(name + u": " + kServersUnknown);
            }
            return true;
        } catch (const ReadFailure& failure) {
            host_.Err(name + u": " + failure.why());
        } catch (const RegExportError& bad) {
            host_.Err(name + u":" + Widen(std::to_string(bad.line())) + u": " + Widen(bad.what()));
        }
        return false;
    }

    void Print(const std::u16string& source, const MachineReport& report) {
        ++printed_;
        if (options_.json) {
            // Widened into storage that serves every machine's line.
            const std::string json = JsonLine(source, report);
            line_.resize(json.size());
            std::copy(json.begin(), json.end(), line_.begin());
            return host_.Out(line_);
        }
        for (const std::u16string& line : TextLines(report)) host_.Out(line);
    }

    const Options& options_;
    ReportHost& host_;
    int printed_ = 0;
    std::u16string line_;
};

}  // namespace

int RunReport(const std::vector<std::u16string>& args, ReportHost& host) {
    try {
        const Options options = Parse(args);
        if (!options.error.empty()) {
            host.Err(std::u16string(kProgram) + u": " + options.error);
            host.Err(u"Try 'runesuka-report --help'.");
            return kUsageError;
        }
        if (options.help) {
            PrintUsage(host);
            return 0;
        }
        Run run(options, host);
        return options.fromReg ? run.Files(args) : run.Registry();
    } catch (const std::exception& error) {
        host.Err(std::u16string(kProgram) + u": " + Widen(error.what()));
        return kUnexpectedError;
    }
}

}  // namespace runesuka::report
