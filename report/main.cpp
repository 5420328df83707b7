// runesuka-report where there is no Windows registry: only --from-reg serves.
// Arguments, output and file names are UTF-8; REGEDIT4 files are CP932.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "iconv_code_page.h"
#include "report.h"

namespace {

class PosixHost : public runesuka::report::ReportHost {
public:
    explicit PosixHost(char** args) : args_(args) {}

    runesuka::RegistryApi* LiveRegistry() override { return nullptr; }
    const runesuka::AnsiCodePage& CodePage() override { return cp932_; }

    bool ReadFile(std::size_t argument, std::string& bytes, std::u16string& error) override {
        std::FILE* file = std::fopen(args_[argument], "rb");
        if (file == nullptr) return Failed(error);
        char chunk[65536];
        std::size_t got;
        while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) bytes.append(chunk, got);
        const bool failed = std::ferror(file) != 0;
        std::fclose(file);
        return !failed || Failed(error);
    }

    void Out(const std::u16string& line) override { Write(stdout, line); }
    void Err(const std::u16string& line) override { Write(stderr, line); }

    std::u16string Decode(const char* arg) const { return utf8_.FromAnsi(arg); }

private:
    bool Failed(std::u16string& error) const {
        error = u"cannot be read: " + utf8_.FromAnsi(std::strerror(errno));
        return false;
    }

    void Write(std::FILE* stream, const std::u16string& line) const {
        const std::string bytes = utf8_.ToAnsi(line) + '\n';
        std::fwrite(bytes.data(), 1, bytes.size(), stream);
    }

    char** args_;
    const runesuka::IconvCodePage cp932_{"CP932"};
    const runesuka::IconvCodePage utf8_{"UTF-8"};
};

}  // namespace

int main(int argc, char** argv) {
    PosixHost host(argv + 1);
    std::vector<std::u16string> args;
    for (int i = 1; i < argc; ++i) args.push_back(host.Decode(argv[i]));
    return runesuka::report::RunReport(args, host);
}
